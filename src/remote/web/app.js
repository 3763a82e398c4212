// SPDX-License-Identifier: GPL-3.0-or-later
// The phone remote: one WebSocket to the program that served this page. The pairing secret is
// the part of the address after "#", which the browser never sends anywhere by itself.
"use strict";

const $ = (id) => document.getElementById(id);
const READING_LINE = 0.35; // where the line sits in the view, as in the stylesheet

let token = location.hash.slice(1);
try {
  if (token) localStorage.setItem("quillmereToken", token);
  else token = localStorage.getItem("quillmereToken") || "";
} catch (e) { /* private browsing: the address still holds it */ }

let socket = null;
let state = null;
let sections = [];
let anchors = [];
let retryDelay = 1000;
let retryTimer = 0;
let lastHeard = 0;
let stateAt = 0;
let gaveUp = false;

function say(text, online) {
  const link = $("link");
  link.textContent = text;
  link.className = "link " + (online ? "online" : "offline");
}

function send(message) {
  if (socket && socket.readyState === WebSocket.OPEN) {
    socket.send(JSON.stringify(message));
    return true;
  }
  return false;
}

function command(name, args) {
  if (!send(Object.assign({ command: name }, args || {})))
    say("Not connected: that press did nothing", false);
}

function connect() {
  clearTimeout(retryTimer);
  if (gaveUp) return;
  if (!token) {
    say("No pairing code: open the link shown in Quillmere's settings", false);
    return;
  }
  if (socket) { socket.onclose = null; try { socket.close(); } catch (e) {} }
  const scheme = location.protocol === "https:" ? "wss://" : "ws://";
  const ws = new WebSocket(scheme + location.host + "/ws");
  socket = ws;
  say("Connecting…", false);
  ws.onopen = () => { ws.send(JSON.stringify({ token: token })); lastHeard = Date.now(); };
  ws.onmessage = (event) => {
    lastHeard = Date.now();
    let m;
    try { m = JSON.parse(event.data); } catch (e) { return; }
    if (m.type === "state") {
      retryDelay = 1000;
      received(m);
    } else if (m.type === "reply" && !m.ok) {
      say("Refused: " + m.error, true);
      setTimeout(() => { if (socket === ws && ws.readyState === WebSocket.OPEN) say("Connected", true); }, 2500);
    }
  };
  ws.onclose = (event) => {
    if (socket !== ws) return;
    socket = null;
    if (event.code === 4401) {
      gaveUp = true;
      say("This pairing code is no longer valid. Scan the code in Quillmere's settings again.", false);
      return;
    }
    const wait = event.code === 4429 ? 60000 : retryDelay;
    retryDelay = Math.min(retryDelay * 2, 8000);
    say(event.code === 4429 ? "Too many wrong codes: trying again in a minute"
                            : "Not connected: trying again…", false);
    retryTimer = setTimeout(connect, wait);
  };
}

// A connection can die silently when the Wi-Fi drops or the laptop sleeps; a ping every few
// seconds finds out, and a page coming back to the front tries at once.
setInterval(() => {
  if (socket && socket.readyState === WebSocket.OPEN) {
    send({ type: "ping" });
    if (Date.now() - lastHeard > 12000) socket.close();
  }
}, 4000);
document.addEventListener("visibilitychange", () => {
  if (!document.hidden && !socket) { retryDelay = 1000; connect(); }
});
window.addEventListener("online", () => { if (!socket) { retryDelay = 1000; connect(); } });
window.addEventListener("hashchange", () => {
  token = location.hash.slice(1);
  gaveUp = false;
  try { localStorage.setItem("quillmereToken", token); } catch (e) {}
  connect();
});

function minutes(seconds) {
  seconds = Math.max(0, Math.round(seconds || 0));
  return Math.floor(seconds / 60) + ":" + String(seconds % 60).padStart(2, "0");
}

function received(m) {
  if (m.sections) buildText(m.sections);
  state = m;
  stateAt = performance.now();
  say("Connected", true);
  $("title").textContent = m.title || "Untitled";
  $("remaining").textContent = minutes(m.remaining);
  $("progress").style.width = (100 * (m.progress || 0)).toFixed(1) + "%";
  $("speed").textContent = Math.round(m.speed);
  const play = $("play");
  const playing = m.playing || m.countdown !== null;
  play.textContent = m.countdown !== null ? String(m.countdown) : m.playing ? "Pause" : "Play";
  play.classList.toggle("playing", !!playing);
  play.setAttribute("aria-label", m.playing ? "Pause" : "Play");
  $("shown").textContent = m.shown ? "Hide" : "Show";
  $("shown").setAttribute("aria-label", m.shown ? "Hide the prompter" : "Show the prompter");
  $("hidden").classList.toggle("on", !m.shown);
  const buttons = $("cues").querySelectorAll("button");
  let name = "";
  buttons.forEach((b, i) => {
    b.classList.toggle("current", i === m.cue);
    if (i === m.cue) name = " · " + b.textContent;
  });
  $("cueName").textContent = name;
}

function buildText(list) {
  sections = list;
  const text = $("text");
  const cues = $("cues");
  text.textContent = "";
  cues.textContent = "";
  let index = 0;
  for (const s of list) {
    const block = document.createElement("div");
    if (s.cue !== null) {
      const head = document.createElement("p");
      head.className = "cue";
      head.textContent = s.cue;
      block.appendChild(head);
      const item = document.createElement("li");
      const button = document.createElement("button");
      button.textContent = s.cue || "Cue " + (index + 1);
      const at = index;
      button.addEventListener("click", () => command("jump", { index: at }));
      item.appendChild(button);
      cues.appendChild(item);
      ++index;
    }
    const body = document.createElement("p");
    body.textContent = s.body;
    block.appendChild(body);
    s.element = block;
    text.appendChild(block);
  }
  if (!index) {
    const none = document.createElement("li");
    none.className = "none";
    none.textContent = "This script has no cues. Start a line with # to make one.";
    cues.appendChild(none);
  }
  anchors = [];
}

// The prompter's offsets and this page's positions of the same cues: the text between two cues
// is stretched to fit, so the view stays at the same words though its lines are narrower.
function pageY(offset) {
  const view = $("view").clientHeight;
  const total = $("text").scrollHeight;
  const points = [[0, 0]];
  for (const s of sections) {
    if (s.y !== null && s.element) points.push([s.y, s.element.offsetTop]);
  }
  const max = state.maxOffset > 0 ? state.maxOffset : 1;
  points.push([max, Math.max(total - view * (1 - READING_LINE), 0)]);
  points.sort((a, b) => a[0] - b[0]);
  if (points.length === 2 && !(state.maxOffset > 0)) return (state.progress || 0) * points[1][1];
  for (let i = 1; i < points.length; ++i) {
    const [y0, p0] = points[i - 1];
    const [y1, p1] = points[i];
    if (offset <= y1 || i === points.length - 1) {
      const f = y1 > y0 ? Math.min(Math.max((offset - y0) / (y1 - y0), 0), 1) : 0;
      return p0 + f * (p1 - p0);
    }
  }
  return 0;
}

function frame() {
  if (state) {
    // Between states the text moves on at the prompter's speed, as the prompter's does.
    let offset = state.offset;
    if (state.playing) offset += state.speed * Math.min((performance.now() - stateAt) / 1000, 0.25);
    offset = Math.min(offset, state.maxOffset || offset);
    const y = pageY(offset) - $("view").clientHeight * READING_LINE + 12;
    $("text").style.transform = "translateY(" + (-y).toFixed(1) + "px)";
  }
  requestAnimationFrame(frame);
}

$("play").addEventListener("click", () => command("toggle"));
$("restart").addEventListener("click", () => command("restart"));
$("previous").addEventListener("click", () => command("previousCue"));
$("next").addEventListener("click", () => command("nextCue"));
$("slower").addEventListener("click", () => command("nudgeSpeed", { delta: -4 }));
$("faster").addEventListener("click", () => command("nudgeSpeed", { delta: 4 }));
$("shown").addEventListener("click", () => command(state && state.shown ? "hide" : "show"));

connect();
requestAnimationFrame(frame);
