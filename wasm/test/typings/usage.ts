// Compiled by typings.test.js (tsc --noEmit): what the typings must accept and refuse.
import quorvel = require("../../quorvel");

async function main(): Promise<string> {
  const api: typeof quorvel = await quorvel.ready;
  const fromObject = new api.CQuorvel({ taxData: "<xml/>", TaxStatusData: new Uint8Array(0) });
  const fromFunction = new quorvel.CQuorvel((islandId: quorvel.IslandId) => islandId === "taxData" ? "<xml/>" : undefined);
  const inPage = new quorvel.CQuorvel();
  fromObject.LoadTables();
  fromFunction.LoadDataObjects();
  const ids: readonly quorvel.IslandId[] = quorvel.islandIds;
  const classId: `clsid:${string}` = quorvel.CLSID;
  void classId;
  const version: string = quorvel.version;
  try {
    return inPage.CalcTaxes("<xml/>") + ids.length + version;
  } catch (error) {
    if (error instanceof quorvel.QuorvelError) return `${error.number}: ${error.description}`;
    throw error;
  }
}

function refused(control: quorvel.CQuorvel): void {
  // @ts-expect-error the transaction document is a text
  control.CalcTaxes(42);
  // @ts-expect-error no such island
  new quorvel.CQuorvel({ taxdata: "<xml/>" });
  // @ts-expect-error an island is text or bytes
  new quorvel.CQuorvel({ taxData: 42 });
  // @ts-expect-error loads return nothing
  const loaded: string = control.LoadTables();
  // @ts-expect-error the class identifier is fixed
  quorvel.CLSID = "clsid:00000000-0000-0000-0000-000000000000";
  // @ts-expect-error number is read-only
  new quorvel.QuorvelError(5, "five").number = 6;
  void loaded;
}

void main;
void refused;
