// Starts and stops `sensorwidget serve` for the browser tests, always on the loopback interface,
// with --verbose so that the tests can read the host's log.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { mkdirSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { chromium } from 'playwright-core';

// Screenshots go where a person looking at a failed run finds them.
export const artifacts = resolve(import.meta.dirname ?? new URL('.', import.meta.url).pathname, '../artifacts');
mkdirSync(artifacts, { recursive: true });

// Debian's Chromium with a profile folder of its own, sized for the widget; its one page.
export async function launchWidgetBrowser(profileDir) {
  const context = await chromium.launchPersistentContext(profileDir, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 300, height: 200 },
    deviceScaleFactor: 2,
    reducedMotion: 'reduce',  // the card turns over at once, so screenshots show one face
  });
  return { context, page: context.pages()[0] ?? await context.newPage() };
}

export async function openWidget(page, url) {
  await page.goto(url);
  await page.waitForSelector('body[data-ready="true"]', { timeout: 15000 });
}

// The widget with a margin of its desk, so that its rounded corners and shadow show.
export async function screenshotWidget(page, name) {
  const box = await page.locator('#widget').boundingBox();
  const margin = 16;
  await page.screenshot({
    path: join(artifacts, name),
    clip: { x: box.x - margin, y: box.y - margin, width: box.width + 2 * margin, height: box.height + 2 * margin },
  });
}

const ADDRESS_LINE = /^Widget at (http:\/\/127\.0\.0\.1:(\d+)\/)$/m;

export async function startWidgetHost(binary, { defaultsDir, port = 0, locale, profile }) {
  const localeArguments = locale ? ['--locale', locale] : [];
  const profileArguments = profile ? ['--profile', profile] : [];
  const child = spawn(binary,
    ['serve', '--port', String(port), '--defaults-dir', defaultsDir, '--verbose', ...localeArguments,
      ...profileArguments],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  let output = '';
  let errors = '';
  child.stderr.on('data', (chunk) => { errors += chunk; });
  const address = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no address printed within 20 s: ${output}${errors}`)), 20000);
    child.stdout.on('data', (chunk) => {
      output += chunk;
      const match = ADDRESS_LINE.exec(output);
      if (match) {
        clearTimeout(timer);
        resolve({ url: match[1], port: Number(match[2]) });
      }
    });
    child.on('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`the host ended with status ${code}: ${errors}`));
    });
  });
  return {
    ...address,
    /** What the host has logged so far (--verbose sends the system log to stderr). */
    log: () => errors,
    /** Sends SIGTERM and resolves to the exit status. */
    async stop() {
      if (child.exitCode !== null) return child.exitCode;
      child.kill('SIGTERM');
      const [code] = await once(child, 'exit');
      return code;
    },
  };
}
