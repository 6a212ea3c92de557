// The widget's script. It talks to its plug-in controller, "PluginController", through the
// widget host: each call is one POST naming the script operation and its arguments.
'use strict';

const REFRESH_INTERVAL_MS = 2000;
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

async function post(action, body) {
  const response = await fetch(`${instancePath}/${action}`, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: body === undefined ? '' : JSON.stringify(body),
  });
  const answer = response.status === 204 ? {} : await response.json();
  if (!response.ok) throw new HostError(response.status, answer.error || response.statusText);
  return answer;
}

// The host forgets an instance that was closed (by another tab of this widget) or left idle, and
// a restarted host knows none: such an instance is opened again and told who it is.
async function openInstance() {
  await post('open');
  await post('call', { call: 'setWidgetIdentifier', args: [instance] });
  await post('call', { call: 'setMaximumSensorNameWidth', args: [labelWidthInPoints()] });
}

const PluginController = {
  async call(name, ...args) {
    try {
      return (await post('call', { call: name, args })).result;
    } catch (error) {
      if (!(error instanceof HostError) || error.status !== 404) throw error;
      await openInstance();
      return (await post('call', { call: name, args })).result;
    }
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

async function localizeElements() {
  const texts = document.querySelectorAll('[data-text]');
  const labels = document.querySelectorAll('[data-label]');
  await Promise.all([
    ...Array.from(texts, async (element) => {
      element.textContent = await PluginController.call('localizedStringForElementWithName', element.dataset.text);
    }),
    ...Array.from(labels, async (element) => {
      element.setAttribute('aria-label',
        await PluginController.call('localizedStringForElementWithName', element.dataset.label));
    }),
  ]);
  byId('show-back').title = byId('show-back').getAttribute('aria-label');
}

// ---- Front ----

async function refreshPosition(position) {
  const [name, reading, icon] = await Promise.all([
    PluginController.call('localizedSensorNameAtDisplayIndex', position),
    PluginController.call('localizedReadingAtDisplayIndex', position),
    PluginController.call('relativePathForTypeIconAtDisplayIndex', position),
  ]);
  byId(`name-${position}`).textContent = name;
  byId(`reading-${position}`).textContent = reading.trim();
  const image = byId(`icon-${position}`);
  if (image.getAttribute('src') !== icon) image.setAttribute('src', icon);
}

async function refreshStatus() {
  const status = await PluginController.call('localizedStatusMessage');
  byId('front-status').textContent = status;
  byId('back-status').textContent = status;
}

async function refreshFront() {
  try {
    await Promise.all([...POSITIONS.map(refreshPosition), refreshStatus()]);
    byId('front').classList.remove('stale');
  } catch (error) {
    byId('front').classList.add('stale');
    throw error;
  }
}

// ---- Back ----

async function buildMenus() {
  const count = await PluginController.call('numberOfAvailableSensors');
  const entries = await Promise.all(Array.from({ length: count },
    (unused, index) => PluginController.call('localizedDifferentiatingSensorNameAtIndex', index)));
  const none = await PluginController.call('localizedStringForElementWithName', 'No sensor');
  for (const position of POSITIONS) {
    const menu = byId(`menu-${position}`);
    menu.replaceChildren(new Option(none, '-1'), ...entries.map((entry, index) => new Option(entry, String(index))));
    menu.value = String(await PluginController.call('preferredSensorIndexAtDisplayIndex', position));
  }
}

async function showTemperatureUnit() {
  const unit = await PluginController.call('preferredTemperatureUnitIndex');
  for (const radio of document.querySelectorAll('input[name="scale"]')) radio.checked = Number(radio.value) === unit;
}

async function fillAbout() {
  const [version, address, bundleIdentifier] = await Promise.all([
    PluginController.call('localizedVersionMessage'),
    PluginController.call('localizedURLForMasterApplication'),
    PluginController.call('bundleIdentifierForMasterApplication'),
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
      await refreshFront();
    });
  }
  byId('scale').addEventListener('change', async (event) => {
    await PluginController.call('setTemperatureUnitIndex', Number(event.target.value));
    await refreshFront();
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
  await Promise.all([refreshFront(), buildMenus(), showTemperatureUnit(), fillAbout()]);
  document.body.dataset.ready = 'true';
  setInterval(() => refreshFront().catch((error) => logDebugString(error.message)), REFRESH_INTERVAL_MS);
}

window.addEventListener('pagehide', () => navigator.sendBeacon(`${instancePath}/close`));

start();
