// The sparklines of recent history in a real browser, on a machine whose CPU temperatures move.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launchWidgetBrowser, openWidget as openWidgetAt, screenshotWidget, startWidgetHost } from './widgetHost.mjs';

const binary = resolve(process.env.SENSORWIDGET ?? '../../../build/bin/sensorwidget');
const PROFILE = 'MacBookPro8,1';  // the CPU monitor's core temperatures follow signals
const SPARKLINE_HEIGHT = 10;
const SPARKLINE_MARGIN = 1.5;

const scratch = mkdtempSync(join(tmpdir(), 'sensorwidget-history-'));
const defaultsDir = join(scratch, 'defaults');
mkdirSync(defaultsDir);

let host;
let context;
let page;

const openWidget = () => openWidgetAt(page, host.url);

const screenshot = (name) => screenshotWidget(page, name);

const pause = (ms) => new Promise((done) => setTimeout(done, ms));

async function setCheckedOnBack(selector, checked) {
  await page.click('#show-back');
  await page.waitForFunction(() => document.getElementById('card').classList.contains('flipped'));
  await page.setChecked(selector, checked);
  await page.click('#show-front');
  await page.waitForFunction(() => !document.getElementById('card').classList.contains('flipped'));
}

/** What the sparkline of a position draws, read back from the page as a user's eye would. */
async function sparkline(position) {
  return page.evaluate((index) => {
    const line = document.getElementById(`sparkline-${index}`);
    return {
      path: line.querySelector('path').getAttribute('d') ?? '',
      low: Number(line.dataset.low),
      high: Number(line.dataset.high),
      tooltip: document.getElementById(`history-${index}`).title,
      reading: document.getElementById(`reading-${index}`).textContent,
      shown: line.getBoundingClientRect().height > 0,
    };
  }, position);
}

/** The value the last point of the line stands for, from its height between the extremes. */
function lastPlottedValue({ path, low, high }) {
  const points = [...path.matchAll(/[ML](-?[\d.]+) (-?[\d.]+)/g)];
  assert.ok(points.length > 0, `a line is drawn: "${path}"`);
  const y = Number(points[points.length - 1][2]);
  if (high === low) return low;
  return low + ((SPARKLINE_HEIGHT - SPARKLINE_MARGIN - y) / (SPARKLINE_HEIGHT - 2 * SPARKLINE_MARGIN)) * (high - low);
}

const readingNumber = (reading) => Number.parseFloat(reading.trim().replace(',', '.'));

async function waitForRefreshes(count) {
  await pause(2100 * count);
}

before(async () => {
  host = await startWidgetHost(binary, { defaultsDir, profile: PROFILE });
  ({ context, page } = await launchWidgetBrowser(join(scratch, 'profile')));
  await openWidget();
});

after(async () => {
  await context?.close();
  await host?.stop();
  rmSync(scratch, { recursive: true, force: true });
});

describe('recent history', () => {
  test('moving readings draw a line that ends at the reading shown, in either scale', async () => {
    await waitForRefreshes(4);
    for (const [scale, unit] of [['0', '°C'], ['1', '°F']]) {
      await setCheckedOnBack(`input[name="scale"][value="${scale}"]`, true);
      await page.waitForFunction((suffix) => document.getElementById('reading-0').textContent.endsWith(suffix), unit);
      await waitForRefreshes(1);
      for (const position of [0, 1]) {
        const line = await sparkline(position);
        assert.ok(line.shown, `the line of position ${position} is shown`);
        assert.ok((line.path.match(/L/g) ?? []).length >= 3, `several readings joined: "${line.path}"`);
        const reading = readingNumber(line.reading);
        // The reading is rounded to its precision; the line is drawn from the unrounded value.
        assert.ok(Math.abs(lastPlottedValue(line) - reading) <= 0.51 + (line.high - line.low) * 0.01,
          `position ${position}: the line ends at ${lastPlottedValue(line)}, the reading is ${line.reading}`);
        const [minimum, maximum] = line.tooltip.match(/-?\d+(?:[.,]\d+)?\s*°[CF]/g) ?? [];
        assert.ok(minimum && maximum && minimum.endsWith(unit) && maximum.endsWith(unit),
          `the tooltip "${line.tooltip}" gives the extremes in ${unit}`);
        assert.ok(readingNumber(minimum) <= reading + 0.5 && reading - 0.5 <= readingNumber(maximum), line.tooltip);
      }
      await screenshot(`widget-history-${unit.slice(1)}.png`);
    }
    await setCheckedOnBack('input[name="scale"][value="0"]', true);
  });

  test('the ring the page keeps by adding the newest samples is the host\'s whole ring', async () => {
    await waitForRefreshes(2);
    const compared = await page.evaluate(async () => {
      for (let attempt = 0; attempt < 10; ++attempt) {
        const kept = keptHistory.map((entry) => entry && { end: entry.end, samples: entry.samples });
        const whole = await fetchHistory();
        if (whole.positions.every((entry, index) => entry.end === kept[index]?.end)) {
          return whole.positions.map((entry, index) => [entry.samples, kept[index].samples]);
        }
        await new Promise((done) => setTimeout(done, 300));  // a refresh came in between
      }
      return null;
    });
    assert.ok(compared, 'a moment without a refresh in between');
    for (const [whole, kept] of compared) assert.deepEqual(kept, whole);
  });

  test('readings missed while the page was hidden leave a gap in the line', async () => {
    const setVisibility = (state) => page.evaluate((visibility) => {
      Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => visibility });
      document.dispatchEvent(new Event('visibilitychange'));
    }, state);
    await setVisibility('hidden');
    await pause(7000);
    await setVisibility('visible');
    await waitForRefreshes(2);
    const line = await sparkline(0);
    assert.ok((line.path.match(/M/g) ?? []).length >= 2, `the line breaks: "${line.path}"`);
  });

  test('switched off on the back, no line and no history request, also after a reload', async () => {
    await setCheckedOnBack('#show-history', false);
    const requests = [];
    const listener = (request) => requests.push(new URL(request.url()).pathname.split('/').pop());
    page.on('request', listener);
    await waitForRefreshes(2);
    page.off('request', listener);
    assert.ok(!requests.includes('history'), requests.join(', '));
    assert.equal((await sparkline(0)).shown, false);
    await screenshot('widget-history-off.png');

    await openWidget();
    assert.equal(await page.isChecked('#show-history'), false, 'the choice is kept');
    assert.equal((await sparkline(0)).shown, false);
    await setCheckedOnBack('#show-history', true);
    await waitForRefreshes(1);
    assert.equal((await sparkline(0)).shown, true);
  });

  test('in German, with the extremes in its number format', async () => {
    await host.stop();
    host = await startWidgetHost(binary, { defaultsDir, port: host.port, profile: PROFILE, locale: 'de' });
    await openWidget();
    await waitForRefreshes(3);
    const line = await sparkline(0);
    assert.match(line.tooltip, /^Letzte 10 Minuten: .+ bis .+$/);
    await screenshot('widget-history-de.png');
    await page.click('#show-back');
    await page.waitForFunction(() => document.getElementById('card').classList.contains('flipped'));
    await screenshot('widget-history-back-de.png');
  });
});
