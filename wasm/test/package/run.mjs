// run.mjs EXAMPLES: calculate (consumer.mts, compiled beside it) on an example transaction and
// print the outcome as JSON.
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { islandIds } from "quorvel";
import { calculate } from "./consumer.mjs";

const examples = process.argv[2];
const read = (file) => readFileSync(join(examples, file), "utf8");
const islands = Object.fromEntries(islandIds.map((id) => [id, read(`tables/${id}.xml`)]));
const outcome = await calculate(islands, read("transactions/01-in-town-sale.xml"));
process.stdout.write(JSON.stringify(outcome));
