// Which Node.js versions the browser tests' lockfile admits. Debian 12 ships Node.js 18, and the
// README promises that the test command works there with Debian's own packages, so a dependency
// whose `engines.node` leaves Node.js 18 out must be caught before it reaches a fresh machine.
//
//   node nodeEngines.mjs check LOCKFILE   prints the Node.js version in use; exits 1 with one line
//                                         when a locked package does not admit it
import { readFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';

/** The oldest Node.js that Debian 12 has shipped. */
export const DEBIAN_12_NODE = '18.19.0';

function parseVersion(text) {
  const parts = text.trim().replace(/^[v=]+/, '').split('-')[0].split('.');
  return [0, 1, 2].map((i) => {
    const part = parts[i];
    return part === undefined || part === '' || /^[xX*]$/.test(part) ? null : Number(part);
  });
}

function compare(a, b) {
  for (let i = 0; i < 3; i++) if (a[i] !== b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

// A partial version ("18", "18.2") stands for a range: from its first to before its next release.
function bounds(partial) {
  const known = partial.findIndex((part) => part === null);
  const low = partial.map((part) => part ?? 0);
  if (known === -1) return [low, low, true];
  if (known === 0) return [[0, 0, 0], [Infinity, 0, 0], false];
  const high = low.slice();
  high[known - 1] += 1;
  for (let i = known; i < 3; i++) high[i] = 0;
  return [low, high, false];
}

function comparatorAdmits(version, comparator) {
  const match = /^(>=|<=|>|<|=|\^|~)?\s*(.*)$/.exec(comparator);
  const [, operator = '=', rest] = match;
  const wanted = parseVersion(rest);
  const [low, high, exact] = bounds(wanted);
  switch (operator) {
    case '>=': return compare(version, low) >= 0;
    case '>': return exact ? compare(version, low) > 0 : compare(version, high) >= 0;
    case '<': return compare(version, low) < 0;
    case '<=': return exact ? compare(version, low) <= 0 : compare(version, high) < 0;
    case '~': {
      const top = wanted[1] === null ? [low[0] + 1, 0, 0] : [low[0], low[1] + 1, 0];
      return compare(version, low) >= 0 && compare(version, top) < 0;
    }
    case '^': {
      const top = low[0] > 0 || wanted[1] === null ? [low[0] + 1, 0, 0]
        : low[1] > 0 || wanted[2] === null ? [0, low[1] + 1, 0] : [0, 0, low[2] + 1];
      return compare(version, low) >= 0 && compare(version, top) < 0;
    }
    default: return exact ? compare(version, low) === 0 : compare(version, low) >= 0 && compare(version, high) < 0;
  }
}

/** Whether a version ("18.19.0") satisfies an engines range (">=18", "^18 || >=20", "16 - 20"). */
export function satisfies(versionText, range) {
  const version = parseVersion(versionText).map((part) => part ?? 0);
  return range.split('||').some((alternative) => {
    const hyphen = /^\s*(\S+)\s+-\s+(\S+)\s*$/.exec(alternative);
    const comparators = hyphen ? [`>=${hyphen[1]}`, `<=${hyphen[2]}`]
      : alternative.trim().replace(/(>=|<=|>|<|=|\^|~)\s+/g, '$1').split(/\s+/).filter(Boolean);
    return comparators.every((comparator) => comparator === '*' || comparatorAdmits(version, comparator));
  });
}

/** The locked packages whose engines.node leaves the version out, as [{name, range}]. */
export function packagesExcluding(lockfile, versionText) {
  return Object.entries(lockfile.packages ?? {})
    .filter(([, entry]) => typeof entry?.engines?.node === 'string')
    .filter(([, entry]) => !satisfies(versionText, entry.engines.node))
    .map(([path, entry]) => ({ name: path.replace(/^.*node_modules\//, '') || '(the test package)', range: entry.engines.node }));
}

function check(lockfilePath) {
  const version = process.versions.node;
  console.log(`Node.js ${version} (${process.execPath})`);
  const excluding = packagesExcluding(JSON.parse(readFileSync(lockfilePath, 'utf8')), version);
  if (excluding.length === 0) return 0;
  const { name, range } = excluding[0];
  console.error(`Node.js ${version} is too old for the browser tests: ${name} asks for node ${range}`);
  return 1;
}

if (import.meta.url === pathToFileURL(process.argv[1] ?? '').href && process.argv[2] === 'check') {
  process.exit(check(process.argv[3]));
}
