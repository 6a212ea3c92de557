// The widget's script. It talks to its plug-in controller, "PluginController", through the
// widget host: each call is one POST naming the script operation and its arguments, and a
// refresh sends all of its calls in one batch.
'use strict';

const REFRESH_INTERVAL_MS = 2000;
// While the host cannot be reached the page tries again, each time waiting twice as long.
const FIRST_RETRY_MS = 2000;
const LONGEST_RETRY_MS = 30000;
const INSTANCE_STORAGE_KEY = 'sensorwidget.instance';
const POSITIONS = [0, 1];
const POINTS_PER_CSS_PIXEL = 0.75;

// ---- The instance and its controller ----

function widgetInstanceIdentifier() {
  let identifier = localStorage.getItem(INSTANCE_STORAGE_KEY);
  if (!identifier || !/^[A-Za-z0-9_-]{1,64}$/.test(identifier)) {
    identifier = crypto.randomUUID ? crypto.randomUUID()
      : Array.from(crypto.getRandomValues(new Uint8Array(16)), (b) => b.toString(16).padStart(2, '0')).join('');
    localStorage.setItem(INSTANCE_STORAGE_KEY, identifier);
  }
  return identifier;
}

const instance = widgetInstanceIdentifier();
const instancePath = `/api/instances/${instance}`;

class HostError extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

/** The host did not answer at all: it was stopped, or the connection broke. */
class HostUnreachable extends Error {}

// The host answered with something other than what was asked for.
async function answerOf(response) {
  const answer = response.status === 204 ? {} : await response.json();
  if (!response.ok) throw new HostError(response.status, answer.error || response.statusText);
  return answer;
}

async function post(action, body) {
  let response;
  try {
    response = await fetch(`${instancePath}/${action}`, {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: body === undefined ? '' : JSON.stringify(body),
    });
  } catch (error) {
    throw new HostUnreachable(error.message);
  }
  return answerOf(response);
}

/** The recent readings of both display positions (see the host's history route): all of them,
 *  or the `newest` few. */
async function fetchHistory(newest) {
  let response;
  try {
    response = await fetch(`${instancePath}/history${newest ? `?last=${newest}` : ''}`);
  } catch (error) {
    throw new HostUnreachable(error.message);
  }
  return answerOf(response);
}

// The host forgets an instance that was closed (by another tab of this widget) or left idle, and
// a restarted host knows none: such an instance is opened again and told who it is.
async function openInstance() {
  await post('open');
  await post('batch', [
    { call: 'setWidgetIdentifier', args: [instance] },
    { call: 'setMaximumSensorNameWidth', args: [labelWidthInPoints()] },
  ]);
}

// A call to an instance the host does not know opens it and is sent once more.
async function postToOpenInstance(action, body) {
  try {
    return await post(action, body);
  } catch (error) {
    if (!(error instanceof HostError) || error.status !== 404) throw error;
    await openInstance();
    return post(action, body);
  }
}

const PluginController = {
  async call(name, ...args) {
    return (await postToOpenInstance('call', { call: name, args })).result;
  },

  /** Makes the calls ([name, ...args] each) in one request; the results in the same order. */
  async batch(calls) {
    const answers = await postToOpenInstance('batch', calls.map(([call, ...args]) => ({ call, args })));
    return answers.map((answer, index) => {
      if ('error' in answer) throw new HostError(400, `${calls[index][0]}: ${answer.error}`);
      return answer.result;
    });
  },
};

// ---- Page errors go to the plug-in's log ----

let reportingError = false;
async function logDebugString(message) {
  if (reportingError) return;
  reportingError = true;
  try {
    await PluginController.call('logDebugString', String(message));
  } catch (ignored) {
    // The host is gone; there is nowhere to report to.
  } finally {
    reportingError = false;
  }
}

window.addEventListener('error', (event) => logDebugString(event.message));
window.addEventListener('unhandledrejection', (event) => logDebugString(event.reason && event.reason.message || event.reason));

// ---- Element texts ----

const byId = (id) => document.getElementById(id);

function labelWidthInPoints() {
  const label = byId('name-0');
  const style = getComputedStyle(label);
  const width = label.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
  return Math.max(0, width) * POINTS_PER_CSS_PIXEL;
}

// Kept from the start: when the host is gone there is no one to ask for it.
let hostUnreachableText = 'Host unreachable %@';
let historyRangeText = '%@ – %@';

async function localizeElements() {
  const texts = Array.from(document.querySelectorAll('[data-text]'));
  const labels = Array.from(document.querySelectorAll('[data-label]'));
  const keys = [...texts.map((element) => element.dataset.text), ...labels.map((element) => element.dataset.label),
    'LANGUAGE', 'Host unreachable', 'History range'];
  const localized = await PluginController.batch(keys.map((key) => ['localizedStringForElementWithName', key]));
  texts.forEach((element, index) => { element.textContent = localized[index]; });
  labels.forEach((element, index) => { element.setAttribute('aria-label', localized[texts.length + index]); });
  const [language, unreachable, historyRange] = localized.slice(-3);
  // The texts come in the host's language; the page says which, so that it is read out right.
  if (/^[A-Za-z]{2,3}([_-][A-Za-z0-9]+)*$/.test(language)) document.documentElement.lang = language.replace('_', '-');
  hostUnreachableText = unreachable;
  historyRangeText = historyRange;
  byId('show-back').title = byId('show-back').getAttribute('aria-label');
}

// ---- Front ----

// The plug-in's status message, and the page's own note while the host cannot be reached.
let pluginStatus = '';
let hostDownNote = '';

function showStatus() {
  const status = hostDownNote || pluginStatus;
  byId('front-status').textContent = status;
  byId('back-status').textContent = pluginStatus;
  const announcer = byId('announcer');
  if (announcer.textContent !== status) announcer.textContent = status;
}

const FRONT_CALLS = [
  ...POSITIONS.flatMap((position) => [
    ['localizedSensorNameAtDisplayIndex', position],
    ['localizedReadingAtDisplayIndex', position],
    ['relativePathForTypeIconAtDisplayIndex', position],
  ]),
  ['localizedStatusMessage'],
];

async function refreshFront() {
  try {
    const results = await PluginController.batch(FRONT_CALLS);
    for (const position of POSITIONS) {
      const [name, reading, icon] = results.slice(3 * position, 3 * position + 3);
      byId(`name-${position}`).textContent = name;
      byId(`reading-${position}`).textContent = reading.trim();
      const image = byId(`icon-${position}`);
      if (image.getAttribute('src') !== icon) image.setAttribute('src', icon);
    }
    pluginStatus = results[results.length - 1];
    showStatus();
    byId('front').classList.remove('stale');
  } catch (error) {
    byId('front').classList.add('stale');
    throw error;
  }
}

// ---- Recent history: a sparkline under each reading ----

let showsHistory = true;
const SPARKLINE_HEIGHT = 10;
const SPARKLINE_MARGIN = 1.5;  // keeps the stroke of the extremes inside the box

/** The path through the samples (null ones are gaps) from left to right over `width`. */
function sparklinePath(samples, low, high, width) {
  const span = high - low;
  const step = samples.length > 1 ? width / (samples.length - 1) : 0;
  const yOf = (value) => {
    const fraction = span > 0 ? (value - low) / span : 0.5;
    return (SPARKLINE_HEIGHT - SPARKLINE_MARGIN - fraction * (SPARKLINE_HEIGHT - 2 * SPARKLINE_MARGIN)).toFixed(2);
  };
  let path = '';
  let drawing = false;
  samples.forEach((value, index) => {
    if (value === null) {
      drawing = false;
      return;
    }
    const x = (index * step).toFixed(2);
    // A reading alone between gaps is a dot: a segment of no length with round caps.
    path += drawing ? `L${x} ${yOf(value)}` : `M${x} ${yOf(value)}h0`;
    drawing = true;
  });
  return path;
}

function drawHistory(position, history) {
  const box = byId(`history-${position}`);
  const line = byId(`sparkline-${position}`);
  const samples = history ? history.samples : [];
  const values = samples.filter((value) => value !== null);
  if (values.length === 0) {
    line.querySelector('path').setAttribute('d', '');
    box.removeAttribute('title');
    return;
  }
  const low = Math.min(...values);
  const high = Math.max(...values);
  line.setAttribute('viewBox', `0 0 ${samples.length - 1 || 1} ${SPARKLINE_HEIGHT}`);
  line.querySelector('path').setAttribute('d', sparklinePath(samples, low, high, samples.length - 1 || 1));
  line.dataset.low = String(low);
  line.dataset.high = String(high);
  box.title = historyRangeText.replace('%@', history.minimum.trim()).replace('%@', history.maximum.trim());
}

function showHistoryChoice(shows) {
  showsHistory = shows;
  byId('show-history').checked = shows;
  byId('front').classList.toggle('without-history', !shows);
  if (!shows) {
    POSITIONS.forEach((position) => {
      keptHistory[position] = null;
      drawHistory(position, null);
    });
  }
}

// The page keeps each position's whole ring and asks for only the newest few samples per
// refresh, which costs the host far less than all of them; it asks for all again when the
// sensor, its ring or the scale changed, or when it missed more than it asked for.
const NEWEST_SAMPLES = 8;
const keptHistory = POSITIONS.map(() => null);

/** The kept ring with the newest samples added; null when they do not join onto it. */
function joinedHistory(kept, newest, scale) {
  if (newest.ring === null) return { ...newest, scale };  // no sensor, or one nobody has read: nothing to keep
  if (!kept || kept.ring !== newest.ring || kept.scale !== scale) return null;
  const moved = newest.end - kept.end;
  if (moved < 0 || moved > newest.samples.length) return null;
  const samples = [...kept.samples.slice(moved), ...Array(moved).fill(null)];
  samples.splice(samples.length - newest.samples.length, newest.samples.length, ...newest.samples);
  return { ...newest, samples, scale };
}

async function refreshHistory() {
  if (!showsHistory) return;
  const newest = await fetchHistory(NEWEST_SAMPLES);
  let joined = newest.positions.map((entry) => joinedHistory(keptHistory[entry.position], entry, newest.scale));
  if (joined.includes(null)) {
    const whole = await fetchHistory();
    joined = whole.positions.map((entry) => ({ ...entry, scale: whole.scale }));
  }
  for (const entry of joined) {
    keptHistory[entry.position] = entry;
    drawHistory(entry.position, entry);
  }
}

// ---- Refreshing: every few seconds while shown, never while hidden ----

let refreshTimer = null;
let refreshing = false;
let retryDelay = 0;  // 0 while the host answers

function scheduleRefresh(delay) {
  clearTimeout(refreshTimer);
  refreshTimer = document.visibilityState === 'hidden' ? null : setTimeout(refreshNow, delay);
}

async function refreshNow() {
  if (refreshing) return;
  refreshing = true;
  let delay = REFRESH_INTERVAL_MS;
  try {
    await refreshFront();
    retryDelay = 0;
    hostDownNote = '';
    showStatus();
    // After the readings: the host keeps each reading as it answers, so the line ends with it.
    await refreshHistory();
  } catch (error) {
    if (error instanceof HostUnreachable) {
      retryDelay = retryDelay === 0 ? FIRST_RETRY_MS : Math.min(2 * retryDelay, LONGEST_RETRY_MS);
      delay = retryDelay;
      hostDownNote = hostUnreachableText.replace('%@', String(retryDelay / 1000));
      showStatus();
    } else {
      logDebugString(error.message);
    }
  } finally {
    refreshing = false;
  }
  scheduleRefresh(delay);
}

document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'hidden') {
    clearTimeout(refreshTimer);
    refreshTimer = null;
  } else {
    scheduleRefresh(0);
  }
});

// ---- Back ----

const MAX_BATCH_CALLS = 64;

async function buildMenus() {
  const count = await PluginController.call('numberOfAvailableSensors');
  const calls = [['localizedStringForElementWithName', 'No sensor'],
    ...POSITIONS.map((position) => ['preferredSensorIndexAtDisplayIndex', position]),
    ...Array.from({ length: count }, (unused, index) => ['localizedDifferentiatingSensorNameAtIndex', index])];
  const results = [];
  for (let first = 0; first < calls.length; first += MAX_BATCH_CALLS) {
    results.push(...await PluginController.batch(calls.slice(first, first + MAX_BATCH_CALLS)));
  }
  const [none, ...rest] = results;
  const preferred = rest.slice(0, POSITIONS.length);
  const entries = rest.slice(POSITIONS.length);
  for (const position of POSITIONS) {
    const menu = byId(`menu-${position}`);
    menu.replaceChildren(new Option(none, '-1'), ...entries.map((entry, index) => new Option(entry, String(index))));
    menu.value = String(preferred[position]);
  }
}

async function showTemperatureUnitAndHistoryChoice() {
  const [unit, shows] = await PluginController.batch([['preferredTemperatureUnitIndex'], ['showsRecentHistory']]);
  for (const radio of document.querySelectorAll('input[name="scale"]')) radio.checked = Number(radio.value) === unit;
  showHistoryChoice(shows);
}

async function fillAbout() {
  const [version, address, bundleIdentifier] = await PluginController.batch([
    ['localizedVersionMessage'], ['localizedURLForMasterApplication'], ['bundleIdentifierForMasterApplication'],
  ]);
  byId('version').textContent = version;
  const link = byId('master-application');
  link.href = address;
  link.title = bundleIdentifier;
  link.dataset.bundleIdentifier = bundleIdentifier;
}

function watchSettings() {
  for (const position of POSITIONS) {
    byId(`menu-${position}`).addEventListener('change', async (event) => {
      await PluginController.call('setPreferredSensorIndexForDisplayIndex', Number(event.target.value), position);
      await refreshNow();
    });
  }
  byId('scale').addEventListener('change', async (event) => {
    await PluginController.call('setTemperatureUnitIndex', Number(event.target.value));
    await refreshNow();
  });
  byId('show-history').addEventListener('change', async (event) => {
    await PluginController.call('setShowsRecentHistory', event.target.checked);
    showHistoryChoice(event.target.checked);
    await refreshNow();
  });
}

// ---- Turning the widget over ----

function showFace(back) {
  byId('card').classList.toggle('flipped', back);
  byId('front').inert = back;
  byId('back').inert = !back;
  byId('show-back').setAttribute('aria-expanded', String(back));
  (back ? byId('menu-0') : byId('show-back')).focus();
}

function watchFlipControls() {
  byId('show-back').addEventListener('click', () => showFace(true));
  byId('show-front').addEventListener('click', () => showFace(false));
  byId('back').addEventListener('keydown', (event) => {
    if (event.key === 'Escape') showFace(false);
  });
}

// ---- Start and stop ----

async function start() {
  watchFlipControls();
  watchSettings();
  await openInstance();
  await localizeElements();
  await Promise.all([refreshFront(), buildMenus(), showTemperatureUnitAndHistoryChoice(), fillAbout()]);
  await refreshHistory();
  document.body.dataset.ready = 'true';
  scheduleRefresh(REFRESH_INTERVAL_MS);
}

window.addEventListener('pagehide', () => navigator.sendBeacon(`${instancePath}/close`));

start();
