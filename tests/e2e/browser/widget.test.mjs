// The widget page in a real browser against a real widget host on the default machine profile.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launchWidgetBrowser, openWidget as openWidgetAt, screenshotWidget, startWidgetHost } from './widgetHost.mjs';

const binary = resolve(process.env.SENSORWIDGET ?? '../../../build/bin/sensorwidget');
const ELLIPSIS = '…';

const scratch = mkdtempSync(join(tmpdir(), 'sensorwidget-browser-'));
const defaultsDir = join(scratch, 'defaults');
mkdirSync(defaultsDir);

let host;
let context;
let page;

const openWidget = () => openWidgetAt(page, host.url);

const screenshot = (name) => screenshotWidget(page, name);

const text = (selector) => page.locator(selector).textContent();

async function flip() {
  await page.click('#show-back');
  await page.waitForFunction(() => document.getElementById('card').classList.contains('flipped'));
}

async function flipBack() {
  await page.click('#show-front');
  await page.waitForFunction(() => !document.getElementById('card').classList.contains('flipped'));
}

before(async () => {
  host = await startWidgetHost(binary, { defaultsDir });
  ({ context, page } = await launchWidgetBrowser(join(scratch, 'profile')));
  await openWidget();
});

after(async () => {
  await context?.close();
  await host?.stop();
  rmSync(scratch, { recursive: true, force: true });
});

describe('the front of the widget', () => {
  test('shows a name, a reading and a type icon for both positions', async () => {
    for (const position of [0, 1]) {
      assert.notEqual(await text(`#name-${position}`), '', `name ${position}`);
      assert.match(await text(`#reading-${position}`), /\d/, `reading ${position}`);
      assert.match(await page.getAttribute(`#icon-${position}`, 'src'), /^Images\/T[A-Za-z]+\.png$/);
      assert.ok(await page.$eval(`#icon-${position}`, (image) => image.complete && image.naturalWidth > 0),
        `icon ${position} loads`);
    }
    await screenshot('widget-front.png');
  });

  test('readings change over time', async () => {
    const first = [await text('#reading-0'), await text('#reading-1')];
    await page.waitForFunction(
      ([a, b]) => document.getElementById('reading-0').textContent !== a
        || document.getElementById('reading-1').textContent !== b,
      first, { timeout: 20000, polling: 500 });
  });

  test('a name too long for its label is shortened with the ellipsis and fits', async () => {
    // A narrow label: the page measures it when it starts and tells the plug-in.
    await page.route('**/widget.css', async (route) => {
      const response = await route.fetch();
      await route.fulfill({ response, body: `${await response.text()}\n.name { width: 48px; }` });
    });
    await openWidget();
    const name = await text('#name-0');
    assert.ok(name.endsWith(ELLIPSIS), `"${name}" ends in the ellipsis`);
    const fits = await page.$eval('#name-0', (label) => label.scrollWidth <= label.clientWidth);
    assert.ok(fits, `"${name}" fits its label`);
    const menuEntry = await page.$eval('#menu-0', (menu) => menu.selectedOptions[0].textContent);
    assert.ok(menuEntry.includes(name.slice(0, -ELLIPSIS.length)), `"${menuEntry}" holds the start of "${name}"`);
    await page.unroute('**/widget.css');
    await openWidget();
    assert.ok(!(await text('#name-0')).endsWith(ELLIPSIS), 'the full-width label shows the whole name');
  });

  test('an error in the page reaches the plug-in\'s log', async () => {
    await page.evaluate(() => setTimeout(() => { throw new Error('page fault 42'); }));
    const deadline = Date.now() + 5000;
    while (!host.log().includes("Debug message('Uncaught Error: page fault 42')") && Date.now() < deadline) {
      await new Promise((done) => setTimeout(done, 100));
    }
    assert.match(host.log(), /Debug message\('Uncaught Error: page fault 42'\)/);
  });
});

// The page's requests to the host's API while `action` runs, as "<action>" names.
const reportedErrors = [];
async function apiRequestsDuring(action) {
  const seen = [];
  const listener = (request) => {
    const match = /\/api\/instances\/[^/]+\/([a-z]+)(?:\?|$)/.exec(request.url());
    if (!match) return;
    // A page error reported late by an earlier test is no request of the refresh; the page-error
    // test covers those reports, and its text names it here should one come.
    const call = match[1] === 'call' ? JSON.parse(request.postData() ?? '{}').call : undefined;
    if (call === 'logDebugString') {
      reportedErrors.push(JSON.parse(request.postData()).args[0]);
      return;
    }
    seen.push(match[1]);
  };
  page.on('request', listener);
  try {
    await action();
  } finally {
    page.off('request', listener);
  }
  return seen;
}

const pause = (ms) => new Promise((done) => setTimeout(done, ms));

// Headless Chromium never hides a page by itself; the page is told it is hidden as a browser
// tells it when its tab goes to the background.
async function setVisibility(state) {
  await page.evaluate((visibility) => {
    Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => visibility });
    document.dispatchEvent(new Event('visibilitychange'));
  }, state);
}

describe('refreshing', () => {
  test('each refresh of the front is one batch request, then one for the recent history', async () => {
    const requests = await apiRequestsDuring(() => pause(4500));
    assert.ok(requests.length >= 4, `${requests.length} requests in 4.5 s`);
    const refreshes = [];
    for (let i = 0; i + 1 < requests.length; i += 2) refreshes.push(requests.slice(i, i + 2).join('+'));
    assert.deepEqual([...new Set(refreshes)], ['batch+history'],
      `${requests.join(', ')}; page errors reported: ${reportedErrors.join(' | ') || 'none'}`);
  });

  test('a hidden page asks nothing and refreshes at once when shown again', async () => {
    await setVisibility('hidden');
    const whileHidden = await apiRequestsDuring(() => pause(5000));
    assert.deepEqual(whileHidden, [], 'no requests while hidden');
    const shown = await apiRequestsDuring(async () => {
      await setVisibility('visible');
      await pause(700);  // well before the next regular refresh
    });
    assert.deepEqual(shown, ['batch', 'history']);
  });
});

describe('the accessibility of the widget', () => {
  test('the language, one live region and controls of at least 24 x 24 px', async () => {
    assert.equal(await page.getAttribute('html', 'lang'), 'en');
    assert.equal(await page.locator('[role="status"], [aria-live]').count(), 1);
    await flip();
    for (const selector of ['#menu-0', '#menu-1', '#show-front', '#scale label', '#master-application']) {
      const box = await page.locator(selector).first().boundingBox();
      assert.ok(box.width >= 24 && box.height >= 24, `${selector} is ${box.width} x ${box.height}`);
    }
    const smallest = await page.$$eval('#back *', (elements) => Math.min(...elements
      .filter((element) => element.textContent.trim() !== '')
      .map((element) => parseFloat(getComputedStyle(element).fontSize))));
    assert.ok(smallest >= 11, `the back's smallest text is ${smallest} px`);
    await flipBack();
    const flipButton = await page.locator('#show-back').boundingBox();
    assert.ok(flipButton.width >= 24 && flipButton.height >= 24, `the "i" is ${flipButton.width} x ${flipButton.height}`);
  });
});

describe('the back of the widget', () => {
  test('is reached and left with the keyboard', async () => {
    await page.focus('#show-back');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.activeElement?.id === 'menu-0');
    assert.equal(await page.getAttribute('#show-back', 'aria-expanded'), 'true');
    assert.equal(await page.$eval('#front', (front) => front.inert), true);
    await screenshot('widget-back.png');
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.activeElement?.id === 'show-back');
    assert.equal(await page.$eval('#back', (back) => back.inert), true);
  });

  test('offers every sensor, the scale, the status, the version and the master application', async () => {
    const entries = await page.$$eval('#menu-0 option', (options) => options.map((option) => option.textContent));
    assert.ok(entries.length > 2, `${entries.length} menu entries`);
    assert.ok(entries.slice(1).every((entry) => /^\[.*\] .+/.test(entry)), entries.join(', '));
    assert.match(await text('#version'), /\d/);
    assert.match(await page.getAttribute('#master-application', 'href'), /^https?:\/\//);
    assert.notEqual(await text('#master-application'), '');
    assert.equal(await page.locator('input[name="scale"]:checked').count(), 1);
  });

  test('the Fahrenheit switch changes the temperature reading', async () => {
    const readingEndsWith = (unit) => page.waitForFunction(
      (suffix) => document.getElementById('reading-0').textContent.endsWith(suffix), unit);
    await readingEndsWith('°C');
    for (const [scale, unit] of [['1', '°F'], ['0', '°C']]) {
      await flip();
      await page.check(`input[name="scale"][value="${scale}"]`);
      await flipBack();
      await readingEndsWith(unit);
    }
  });

  test('a sensor chosen on the back stays chosen across a reload and a restart of the host', async () => {
    await flip();
    const count = await page.locator('#menu-1 option').count();
    const chosen = String(count - 2);  // the last sensor (the first option is "no sensor")
    await page.selectOption('#menu-1', chosen);
    const entry = await page.$eval('#menu-1', (menu) => menu.selectedOptions[0].textContent);
    await flipBack();
    await page.waitForFunction((name) => name.endsWith(document.getElementById('name-1').textContent),
      entry, { timeout: 5000 });

    await openWidget();
    assert.equal(await page.inputValue('#menu-1'), chosen, 'after a reload');

    assert.equal(await host.stop(), 0, 'the host ends cleanly on SIGTERM');
    host = await startWidgetHost(binary, { defaultsDir, port: host.port });
    await openWidget();
    assert.equal(await page.inputValue('#menu-1'), chosen, 'after a restart of the host');
    assert.ok(entry.endsWith(await text('#name-1')));
  });
});

describe('a host that goes away', () => {
  test('the front says so, tries again less and less often and recovers by itself', async () => {
    const status = () => text('#front-status');
    assert.equal(await host.stop(), 0);
    await page.waitForFunction(() => document.getElementById('front-status').textContent
       === 'Host unreachable, retry in 2 s', null, { timeout: 10000 });
    assert.ok(await page.$eval('#front', (front) => front.classList.contains('stale')));
    assert.ok(await page.$eval('#front-status', (line) => line.scrollWidth <= line.clientWidth), 'the note fits');
    await screenshot('widget-host-down.png');
    await page.waitForFunction(() => /in 4 s$/.test(document.getElementById('front-status').textContent),
      null, { timeout: 10000 });
    assert.equal(await page.locator('#announcer').textContent(), await status(), 'announced');

    host = await startWidgetHost(binary, { defaultsDir, port: host.port });
    await page.waitForFunction(() => document.getElementById('front-status').textContent === ''
      && !document.getElementById('front').classList.contains('stale'), null, { timeout: 15000 });
    for (const position of [0, 1]) assert.match(await text(`#reading-${position}`), /\d/);
  });

  test('in German when the host speaks German', async () => {
    await host.stop();
    host = await startWidgetHost(binary, { defaultsDir, port: host.port, locale: 'de' });
    await openWidget();
    assert.equal(await page.getAttribute('html', 'lang'), 'de');
    assert.equal(await page.getAttribute('#show-back', 'aria-label'), 'Einstellungen zeigen');
    await host.stop();
    await page.waitForFunction(() => document.getElementById('front-status').textContent
      .startsWith('Host nicht erreichbar, in '), null, { timeout: 10000 });
    assert.ok(await page.$eval('#front-status', (line) => line.scrollWidth <= line.clientWidth), 'the note fits');
    await screenshot('widget-host-down-de.png');
    host = await startWidgetHost(binary, { defaultsDir, port: host.port });
  });
});
