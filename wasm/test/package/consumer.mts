// The installed package as a TypeScript ES module sees it: named imports and the default export.
// Compiled by tsc and run in Node by package.test.js (through run.mjs).
import quorvel, { CQuorvel, QuorvelError, ready, islandIds, version } from "quorvel";
import type { IslandId } from "quorvel";

export interface Outcome {
  version: string;
  result: string;
  islands: number;
  missingIslandError: number;
  sameApi: boolean;
}

// One transaction calculated against six island texts, and what the named exports say.
export async function calculate(islands: Record<IslandId, string>, transaction: string):
    Promise<Outcome> {
  const api = await ready;
  const control = new CQuorvel(islands);
  control.LoadTables();
  const ids: readonly IslandId[] = islandIds;
  let missingIslandError = 0;
  try {
    new CQuorvel({}).LoadTables();
  } catch (error) {
    if (error instanceof QuorvelError) missingIslandError = error.number;
  }
  return { version, result: control.CalcTaxes(transaction), islands: ids.length,
           missingIslandError, sameApi: api === quorvel && quorvel.CQuorvel === CQuorvel };
}
