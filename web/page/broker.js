// The page's one connection to the broker: subscriptions by topic filter,
// remote calls answered on the page's own reply topic, the events of its
// sessions, and what to tell a person when the broker is away or refuses.
"use strict";
window.Plant = window.Plant || {};

Plant.Broker = class {
  // onState(kind, text): kind "connected", "unreachable", "lost" or "refused".
  constructor(url, credentials, onState) {
    this.url = url;
    this.onState = onState;
    this.filters = [];          // [filter, handler(topic, text)]
    this.pending = new Map();   // request id -> {resolve, reject, timer}
    this.sessions = new Map();  // session id -> handler(event)
    this.nextId = 1;
    this.discoveries = [];      // topics whose agents are asked on every connect
    this.everConnected = false;
    const id = "page" + Math.random().toString(16).slice(2, 14);
    const user = credentials.user || "";
    // Three levels, so that the agent follows the client info on the level below.
    this.sender = user ? `clients/${user}/${id}` : `nolt-page/${id}/reply`;
    this.client = mqtt.connect(url, {
      clientId: id,
      username: user || undefined,
      password: credentials.password || undefined,
      protocolVersion: 4,
      clean: true,
      resubscribe: false,  // connected() subscribes everything again itself
      reconnectPeriod: 3000,
      connectTimeout: 5000,
      // The agent deletes this page's sessions when its link breaks or the page closes.
      will: { topic: this.sender + "/__clientInfo__", payload: '{"status":"offline"}', qos: 1, retain: false },
    });
    this.client.on("connect", () => this.connected());
    this.client.on("message", (topic, payload) => this.arrived(topic, payload.toString()));
    this.client.on("error", (error) => this.failed(error));
    this.client.on("close", () => this.closed());
  }

  connected() {
    this.everConnected = true;
    this.client.subscribe(this.sender, { qos: 1 });
    for (const [filter] of this.filters) this.client.subscribe(filter, { qos: 1 });
    for (const topic of this.discoveries) this.ask(topic);
    this.onState("connected", "");
  }

  failed(error) {
    // 4 and 5 are the broker's refusals of the credentials: retrying changes nothing.
    if (error && (error.code === 4 || error.code === 5)) {
      this.client.end(true);
      this.refused = true;
      this.onState("refused", `The broker at ${this.url} refused the connection (${error.message}).`);
    }
  }

  closed() {
    if (this.refused || this.ended) return;
    for (const call of this.pending.values()) call.reject(new Error("Lost the connection to the broker"));
    this.pending.clear();
    this.onState(this.everConnected ? "lost" : "unreachable", this.everConnected
      ? `Lost the connection to the broker at ${this.url}; reconnecting…`
      : `Cannot reach the broker at ${this.url}; trying again every few seconds.`);
  }

  end() {
    this.ended = true;
    this.client.end(true);
  }

  subscribe(filter, handler) {
    this.filters.push([filter, handler]);
    if (this.client.connected) this.client.subscribe(filter, { qos: 1 });
  }

  // Asks the agents that follow `topic` (DOMAIN/__discover__) for what they
  // retain, now and after each reconnect: a broker that hands retained
  // messages only to subscriptions of exactly their topic (a RabbitMQ
  // cluster) gives the filters above nothing.
  discover(topic) {
    this.discoveries.push(topic);
    if (this.client.connected) this.ask(topic);
  }

  ask(topic) {
    const id = "discover-" + this.nextId++;
    this.client.publish(topic, JSON.stringify({ sender: this.sender, id }), { qos: 1 });
  }

  arrived(topic, text) {
    if (topic === this.sender) return this.answered(text);
    for (const [filter, handler] of this.filters) {
      if (Plant.Broker.matches(filter, topic)) handler(topic, text);
    }
  }

  answered(text) {
    let message;
    try { message = JSON.parse(text); } catch (e) { return; }
    if (message && typeof message.retained === "object" && String(message.id).startsWith("discover-")) {
      for (const [topic, value] of Object.entries(message.retained)) {
        if (topic !== this.sender) this.arrived(topic, JSON.stringify(value));
      }
      return;
    }
    const call = this.pending.get(message.id);
    if (call) {
      this.pending.delete(message.id);
      clearTimeout(call.timer);
      const data = message.data || {};
      if ("e" in data) call.reject(new Error(String(data.e)));
      else call.resolve(data.r);
      return;
    }
    const handler = this.sessions.get(message.context);
    if (handler) handler(message);
  }

  // Calls PREFIX/CLASS/INSTANCE/FUNCTION; resolves with "r", rejects with "e".
  call(prefix, className, instance, fn, data = {}, seconds = 15) {
    const id = "req-" + this.nextId++;
    const topic = `${prefix}/${className}/${instance}/${fn}`;
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        this.pending.delete(id);
        reject(new Error(`No reply within ${seconds} s to ${topic}`));
      }, seconds * 1000);
      this.pending.set(id, { resolve, reject, timer });
      this.client.publish(topic, JSON.stringify({ sender: this.sender, id, data }), { qos: 1 });
    });
  }

  // Events of callbacks registered on one of this page's sessions.
  listen(session, handler) { this.sessions.set(session, handler); }
  forget(session) { this.sessions.delete(session); }

  static matches(filter, topic) {
    const f = filter.split("/"), t = topic.split("/");
    for (let i = 0; i < f.length; i++) {
      if (f[i] === "#") return true;
      if (i >= t.length || (f[i] !== "+" && f[i] !== t[i])) return false;
    }
    return f.length === t.length;
  }
};
