// Starts the page: the broker link (the broker that served the page, unless
// ?broker= names another), the overview and the machine view, sign-in when
// the broker wants credentials, and #machine/KEY in the address for a machine.
"use strict";

(() => {
  const params = new URLSearchParams(location.search);
  const scheme = location.protocol === "https:" ? "wss" : "ws";
  const url = params.get("broker") || `${scheme}://${location.host}/mqtt`;
  const domain = params.get("domain") || "+";
  const byId = (id) => document.getElementById(id);
  const state = window.plant = {};

  function show(kind, text) {
    const link = byId("link");
    link.textContent = kind === "connected" ? "live" : kind;
    link.className = "link " + kind;
    byId("problem").hidden = kind === "connected";
    byId("problem").textContent = text;
    document.body.classList.toggle("stale", kind !== "connected");
    byId("signin").hidden = kind !== "refused";
  }

  function route() {
    const match = /^#machine\/(.+)$/.exec(location.hash);
    const key = match ? decodeURIComponent(match[1]) : null;
    if (key === state.view.key) return;
    if (key && state.overview.machines.has(key)) state.view.open(key);
    else if (!key) state.view.close();
  }

  function start(credentials) {
    if (state.broker) state.broker.end();
    byId("overview").textContent = "";
    let connectedBefore = false;
    state.broker = new Plant.Broker(url, credentials, (kind, text) => {
      show(kind, text);
      if (kind !== "connected") return;
      // The agent deleted the session of an open machine when the link broke.
      if (connectedBefore && state.view.key) state.view.open(state.view.key);
      connectedBefore = true;
    });
    state.overview = new Plant.Overview(state.broker, domain, byId("overview"), (key) => {
      location.hash = "#machine/" + encodeURIComponent(key);
    });
    state.view = new Plant.MachineView(state.broker, state.overview);
    const drawn = state.overview.draw.bind(state.overview);
    state.overview.draw = (key) => {
      drawn(key);
      if (key === state.view.key) state.view.showInfo();
      // A machine named in the address opens once its info has come.
      else if (!state.view.key && location.hash === "#machine/" + encodeURIComponent(key)) route();
    };
  }

  byId("signin").addEventListener("submit", (event) => {
    event.preventDefault();
    const form = new FormData(byId("signin"));
    const credentials = { user: form.get("user"), password: form.get("password") };
    sessionStorage.setItem("plant-credentials", JSON.stringify(credentials));
    start(credentials);
  });
  window.addEventListener("hashchange", route);
  // Closing the page ends its sessions at once; the will covers a page that dies.
  window.addEventListener("pagehide", () => {
    if (state.broker) state.broker.client.publish(state.broker.sender + "/__clientInfo__", '{"status":"offline"}', { qos: 1 });
  });
  start(JSON.parse(sessionStorage.getItem("plant-credentials") || "{}"));
})();
