// How a machine's state reads from across the room: one of a few colour
// classes, and the age of the last change in words.
"use strict";
window.Plant = window.Plant || {};

Plant.states = (() => {
  const fault = new Set(["connection_lost", "host_not_available", "host_is_stopped", "dnc_is_stopped", "no_permission"]);
  const busy = new Set(["not_initialized", "host_is_available", "waiting_permission", "dnc_is_available",
                        "machine_is_booted", "machine_is_initializing", "machine_is_shutting_down"]);
  const programRunning = new Set(["started", "running"]);
  const programTrouble = new Set(["error", "interrupted", "stopped"]);

  // "run", "ready", "hold", "wait", "fault" or "off": the tile's colour.
  function look(info) {
    if (fault.has(info.state)) return "fault";
    if (!info.connected) return "off";
    if (busy.has(info.state)) return "wait";
    if (programRunning.has(info.programStatus)) return "run";
    if (programTrouble.has(info.programStatus)) return "hold";
    return "ready";
  }

  function words(name) {
    return (name || "").replace(/^machine_is_/, "").replace(/_/g, " ");
  }

  // "12 s", "4 min", "3 h", "2 d" since an ISO time; "" when unknown.
  function age(since, now) {
    const then = Date.parse(since || "");
    if (Number.isNaN(then)) return "";
    const s = Math.max(0, Math.round((now - then) / 1000));
    if (s < 90) return s + " s";
    if (s < 90 * 60) return Math.round(s / 60) + " min";
    if (s < 36 * 3600) return Math.round(s / 3600) + " h";
    return Math.round(s / 86400) + " d";
  }

  return { look, words, age };
})();
