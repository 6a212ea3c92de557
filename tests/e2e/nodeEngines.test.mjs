// The browser tests must install on Debian 12's own Node.js: every locked package admits it.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { DEBIAN_12_NODE, packagesExcluding, satisfies } from './nodeEngines.mjs';

const lockfile = JSON.parse(readFileSync(new URL('./browser/package-lock.json', import.meta.url), 'utf8'));

test('every locked package admits the Node.js of Debian 12', () => {
  assert.deepEqual(packagesExcluding(lockfile, DEBIAN_12_NODE), []);
});

test('a package that asks for a newer Node.js is named', () => {
  const newer = { packages: { '': {}, 'node_modules/playwright-core': { engines: { node: '>=20' } } } };
  assert.deepEqual(packagesExcluding(newer, DEBIAN_12_NODE), [{ name: 'playwright-core', range: '>=20' }]);
});

test('engines ranges as packages write them', () => {
  const cases = [
    ['>=18', true], ['>=20', false], ['>= 18.0.0', true], ['>=18.20', false], ['^18 || >=20', true],
    ['^16.13.0 || ^18.12.0 || >=20.0.0', true], ['^20.9.0 || >=22', false], ['16 - 20', true],
    ['18.x', true], ['~18.18', false], ['<18', false], ['>=14 <19', true], ['*', true], ['>18', false],
  ];
  for (const [range, admitted] of cases) assert.equal(satisfies(DEBIAN_12_NODE, range), admitted, range);
});
