// Sparkplug B payloads through the npm package sparkplug-payload, for the
// agent's tests:
//   node payloads.js decode FILE      FILE: lines "TOPIC<TAB>BASE64"; prints
//                                     one JSON object {topic, payload} a line
//   node payloads.js encode NAME TYPE VALUE
//                                     prints the Base64 of a payload with one metric
const fs = require('fs');
const sparkplug = require('sparkplug-payload').get('spBv1.0');

// 64-bit values arrive as Long objects.
const plain = (key, value) =>
    value && typeof value === 'object' && typeof value.low === 'number' && typeof value.high === 'number' ?
    Number(value.toString()) :
    value;

const [mode, ...rest] = process.argv.slice(2);
if (mode === 'decode') {
    for (const line of fs.readFileSync(rest[0], 'utf8').split('\n')) {
        if (!line) continue;
        const tab = line.indexOf('\t');
        const topic = line.slice(0, tab);
        const payload = sparkplug.decodePayload(Buffer.from(line.slice(tab + 1), 'base64'));
        console.log(JSON.stringify({topic, payload}, plain));
    }
} else if (mode === 'encode') {
    const [name, type, text] = rest;
    const value = type === 'Boolean' ? text === 'true' : type === 'String' ? text : Number(text);
    const bytes = sparkplug.encodePayload({timestamp: Date.now(), metrics: [{name, type, value}]});
    process.stdout.write(Buffer.from(bytes).toString('base64'));
} else {
    console.error('usage: payloads.js decode FILE | encode NAME TYPE VALUE');
    process.exit(2);
}
