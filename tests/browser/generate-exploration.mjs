// Writes an exploration of N configurations of one service, for checking how
// the page holds up when a comparison is wide or long:
//   node generate-exploration.mjs N OUT_DIR   (files land in OUT_DIR/wide/)
// Each configuration weighs on the page what a sample's does (about 46 KB):
// two criteria over five inputs, and a few hundred passing latencies.
// Every number comes from a fixed-seed generator, so each run writes the same files.
import fs from 'node:fs';
import path from 'node:path';

const [count, outDir] = [Number(process.argv[2]), process.argv[3]];
if (!Number.isInteger(count) || count < 1 || !outDir) {
    console.error('usage: node generate-exploration.mjs N OUT_DIR');
    process.exit(2);
}

let seed = 20240501;
const random = () => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed / 2147483648;
};
const between = (low, high) => low + Math.floor(random() * (high - low + 1));

const inputs = [
    '2 x A5 notebook (dotted), 1 x fountain pen, deliver to Lyon',
    '1 x desk organiser, 3 x gel pen blue, gift wrap',
    '10 x envelope C5, 1 x stamp set; customer asks for invoice in USD',
    '1 x leather journal (out of stock), 1 x bookmark',
    '5 x sticky notes neon, express delivery to Graz',
];
const expected = {
    'total matches catalogue': ['31.80', '24.15', '18.40', '3.90', '7.45'],
    'first sku': ['NB-A5-DOT', 'DO-110', 'ENV-C5', 'BM-02', 'SN-NEON'],
};
const criteria = {
    'order-summary': [
        { check: 'reply is valid JSON', provenance: 'criterion' },
        { check: 'currency is an ISO code', provenance: 'criterion', path: '$.currency', form: 'matches', expected: '^[A-Z]{3}$' },
        { check: 'total matches catalogue', provenance: 'input', path: '$.total', form: 'equals' },
        { check: 'first sku', provenance: 'input', path: '$.items[0].sku', form: 'equals' },
        { check: 'mentions delivery', provenance: 'criterion', optional: true, form: 'mentions', expected: 'delivery date' },
    ],
    tone: [
        { check: 'no apology boilerplate', provenance: 'criterion', form: 'absent', expected: 'we apologise' },
        { check: 'reply under 120 words', provenance: 'criterion', form: 'at most', expected: '120' },
    ],
};
const promptLines = [
    'You are the checkout assistant of an online stationery shop.',
    "Summarise the customer's basket as a JSON object with the keys",
    '"items", "total", "currency" and "deliveryDate".',
    '',
    'Rules:',
    '- Use the prices from the catalogue excerpt, never invent one.',
    '- State the total with two decimals.',
    '- The currency is a three-letter ISO 4217 code.',
    '- If an item is out of stock, leave it out and say so in "notes".',
    '- Mention the expected delivery date in plain words, as the customer would say it to a friend.',
];

const quote = (text) => JSON.stringify(text);

function prompt(i) {
    const lines = [...promptLines];
    if (i % 3 === 1) lines.splice(6, 1, '- State the total with two decimals and the currency symbol left out of it entirely.');
    if (i % 4 === 2) lines.push('- Never apologise; answer in at most one hundred and twenty words.');
    if (i % 5 === 3) lines.splice(3, 1);
    return lines.map((line) => (line ? `    ${line}` : '')).join('\n');
}

function rows(checks, samples) {
    const out = [];
    let passedAll = 0;
    for (const postcondition of checks) {
        inputs.forEach((_, input) => {
            const skipped = between(0, 1);
            const failed = between(0, 4);
            const passed = samples - failed - skipped;
            passedAll += passed;
            const lines = [
                `          - inputIndex: ${input}`,
                `            check: ${quote(postcondition.check)}`,
                `            optional: ${postcondition.optional ? 'true' : 'false'}`,
                `            passed: ${passed}`,
                `            failed: ${failed}`,
                `            skipped: ${skipped}`,
                `            observedFraction: ${passed / (passed + failed)}`,
                `            provenance: ${quote(postcondition.provenance)}`,
            ];
            if (postcondition.path) lines.push(`            path: ${quote(postcondition.path)}`);
            if (postcondition.form) lines.push(`            form: ${quote(postcondition.form)}`);
            const value = postcondition.provenance === 'input' ? expected[postcondition.check][input] : postcondition.expected;
            if (value) lines.push(`            expected: ${quote(value)}`);
            if (failed > 0) {
                lines.push('            observed:', `              - {excerpt: ${quote(`wrong value ${between(1, 3)}`)}, count: ${failed}, held: false}`);
            }
            out.push(...lines);
        });
    }
    return { text: out.join('\n'), passedAll };
}

function criterionBlock(name, checks, perInput, successes, failures) {
    return `    ${name}:
      observedPassRate: ${successes / (successes + failures)}
      pass: ${successes}
      fail: ${failures}
      standings:
        rows:
${rows(checks, perInput).text}`;
}

function artefact(i) {
    const perInput = 60;
    const samples = perInput * inputs.length;
    const failures = between(0, 24);
    const successes = samples - failures;
    const latencies = Array.from({ length: between(185, 245) }, () => between(300, 2400)).sort((a, b) => a - b);
    const p = (q) => latencies[Math.min(latencies.length - 1, Math.floor(q * latencies.length))];
    return `schemaVersion: brelk-explore-1
serviceContractId: wide-comparison
configuration: ${quote(`config-${String(i + 1).padStart(2, '0')}`)}
configurationName: ${quote(`Configuration ${i + 1} with a rather long name`)}
${i === 0 ? 'baseConfiguration: true\n' : ''}factors:
  model: ${quote(['compact-2', 'large-4', 'medium-3'][i % 3])}
  temperature: ${(i % 10) / 10}
  max_tokens: ${[256, 512, 1024][i % 3]}
  prompt: |
${prompt(i)}
execution:
  samplesPlanned: ${samples}
  samplesExecuted: ${samples}
  terminationReason: COMPLETED
statistics:
  observed: ${successes / samples}
  successes: ${successes}
  failures: ${failures}
  failureDistribution:
    - {condition: "connection reset by peer after 30 s", count: 1, kind: delivery, inputIndex: 0, inputExcerpt: ${quote(inputs[0])}}
    - {condition: "$.total equals the catalogue total", count: ${Math.max(failures - 1, 0)}, kind: assertion}
    - {condition: "$.items[0].sku equals the expected SKU", count: ${between(0, 3)}, kind: assertion}
    - {condition: "$.currency matches ^[A-Z]{3}$", count: ${between(0, 3)}, kind: assertion}
    - {condition: "no apology boilerplate", count: ${between(0, 2)}, kind: assertion}
  criteria:
${Object.entries(criteria).map(([name, checks]) => criterionBlock(name, checks, perInput, successes, failures)).join('\n')}
latency:
  p50Ms: ${p(0.5)}
  p95Ms: ${p(0.95)}
  p99Ms: ${p(0.99)}
  sortedPassingLatenciesMs: [${latencies.join(', ')}]
cost:
  avgTimePerSampleMs: ${between(600, 2000)}
  avgTokensPerSample: ${between(300, 900)}
inputs:
${inputs.map((text, index) => `  - {inputIndex: ${index}, inputExcerpt: ${quote(text)}}`).join('\n')}
`;
}

const service = path.join(outDir, 'wide');
fs.mkdirSync(service, { recursive: true });
for (let i = 0; i < count; ++i) {
    fs.writeFileSync(path.join(service, `config-${String(i + 1).padStart(3, '0')}.yaml`), artefact(i));
}
