// Drives orvi-motion-mcp with the MCP TypeScript SDK in both protocol eras: the 1.x
// client with the 2025 "initialize" handshake and the 2.x client pinned to 2026-07-28.
// The test that starts this script sets ORVI_MCP_BRIDGE (the program), HOME (whose data
// folder holds the instance descriptors) and ORVI_CHECK_MODE, the instance it runs against:
//   "stand-in"  a scripted stand-in instance (the default);
//   "control"   orvi-motion --mcp-control; ORVI_CHECK_CLIP names a clip (a pattern that
//               sways at a sixth of the capture rate) to open, set up, amplify, export and
//               analyse; the outputs go beside it;
//   "read-only" orvi-motion --mcp-debug, which must refuse every mutating tool.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import path from 'node:path';

import { Client as LegacyClient } from '@modelcontextprotocol/sdk/client/index.js';
import {
    StdioClientTransport as LegacyTransport,
    getDefaultEnvironment,
} from '@modelcontextprotocol/sdk/client/stdio.js';
import { Client } from '@modelcontextprotocol/client';
import { StdioClientTransport } from '@modelcontextprotocol/client/stdio';

const expectedTools = [
    'orvi_get_capabilities', 'orvi_get_snapshot', 'orvi_get_performance', 'orvi_get_events',
    'orvi_open_video', 'orvi_set_capture_frame_rate', 'orvi_set_range', 'orvi_set_roi',
    'orvi_set_processing_parameters', 'orvi_playback', 'orvi_start_preview',
    'orvi_cancel_preview', 'orvi_set_export_destination', 'orvi_start_export',
    'orvi_cancel_export', 'orvi_cancel_analysis', 'orvi_get_ui', 'orvi_ui', 'orvi_spectrum',
    'orvi_screenshot',
];

// What a host passes: its reduced default environment and nothing else.
function serverParameters() {
    return {
        command: process.env.ORVI_MCP_BRIDGE,
        args: [],
        env: getDefaultEnvironment(),
        stderr: 'pipe',
    };
}

async function exerciseStandIn(client, era) {
    const { tools } = await client.listTools();
    assert.deepEqual(tools.map((tool) => tool.name), expectedTools, `${era}: tool order`);
    assert.equal(tools[0].annotations.readOnlyHint, true, `${era}: read-only hint`);
    assert.deepEqual(tools[6].inputSchema.required,
        ['startFrame', 'endFrameExclusive', 'expectedRevision'], `${era}: range schema`);

    const snapshot = await client.callTool({ name: 'orvi_get_snapshot', arguments: {} });
    assert.equal(snapshot.isError, false, `${era}: snapshot succeeds`);
    assert.equal(snapshot.structuredContent.method, 'diagnostics.getSnapshot');
    assert.equal(snapshot.structuredContent.revision, 5);
    assert.deepEqual(JSON.parse(snapshot.content[0].text), snapshot.structuredContent);

    const range = await client.callTool({
        name: 'orvi_set_range',
        arguments: { startFrame: 0, endFrameExclusive: 10, expectedRevision: 1 },
    });
    assert.equal(range.isError, true, `${era}: stale range is an error result`);
    assert.deepEqual(range.structuredContent, { code: 'stale_revision' });
    assert.equal(range.content[0].text, 'ORVI Zazira rejected the diagnostic request.');

    const shot = await client.callTool({
        name: 'orvi_screenshot', arguments: { expectedRevision: 5, maxWidth: 640 },
    });
    assert.equal(shot.isError, false, `${era}: screenshot succeeds`);
    assert.deepEqual(shot.content.map((item) => item.type), ['text', 'image']);
    assert.equal(shot.content[1].mimeType, 'image/png');
    assert.equal(shot.content[1].data, 'iVBORw0KGgo=');
    assert.equal('pngBase64' in shot.structuredContent, false);

    const unknown = await client.callTool({ name: 'orvi_nothing', arguments: {} })
        .then(() => null, (error) => error);
    assert.ok(unknown, `${era}: an unknown tool is refused`);
    assert.match(String(unknown.message), /The requested ORVI Zazira tool is not available\./);
}

// Calls a tool that must succeed and returns its structured result.
async function succeed(client, era, name, args = {}) {
    const result = await client.callTool({ name, arguments: args });
    assert.equal(result.isError, false, `${era}: ${name} failed: ${result.content[0].text} ` +
        JSON.stringify(result.structuredContent));
    assert.deepEqual(JSON.parse(result.content[0].text), result.structuredContent);
    return result.structuredContent;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Each era sets its own values, so the second cannot pass on what the first left behind.
// The 2025 era drives a 120-frame test pattern that sways every six frames; the 2026 era the
// sample clip the build writes, whose parts vibrate at 12.5 Hz and 37.5 Hz.
const setups = {
    '2025': { clip: process.env.ORVI_CHECK_CLIP, size: [320, 240], rate: 40, start: 4, end: 100,
        roi: [0.125, 0.25, 0.5, 0.5], rpm: 1200, lower: 8, upper: 12, factor: 8, workers: 1,
        optimization: false, known: [40 / 6], bins: 2 },
    '2026-07-28': { clip: process.env.ORVI_CHECK_SAMPLE, size: [960, 540], rate: 240, start: 0,
        end: 480, roi: [0.0625, 0.0625, 0.875, 0.875], rpm: 0, lower: 10, upper: 15, factor: 12,
        workers: 0, optimization: true, known: [12.5, 37.5], bins: 1 },
};
const outputFolder = process.env.ORVI_CHECK_OUT;

async function exerciseControl(client, era) {
    const setup = setups[era];
    const call = (name, args) => succeed(client, era, name, args);
    const before = await call('orvi_get_snapshot');
    const opened = await call('orvi_open_video',
        { path: setup.clip, expectedRevision: before.revision });
    // Follow the events until the source is analysed.
    let page = { nextCursor: 0 };
    let codes = [];
    let snapshot = await call('orvi_get_snapshot');
    // Playback opens the source after the analysis; both change the revision.
    const settled = (current) =>
        current.source.state === 'ready' && current.playback.state === 'ready';
    for (let i = 0; i < 600 && !settled(snapshot); ++i) {
        page = await call('orvi_get_events', { cursor: page.nextCursor });
        codes = codes.concat(page.events.map((event) => event.code));
        snapshot = await call('orvi_get_snapshot');
        await sleep(50);
    }
    assert.equal(snapshot.source.filePath, opened.path, `${era}: opened`);

    let revision = snapshot.revision;
    const step = async (name, args, changes = true) => {
        const result = await call(name, { ...args, expectedRevision: revision });
        assert.ok(result.accepted && (result.revision > revision) === changes,
            `${era}: ${name} changed`);
        revision = result.revision;
        return result;
    };
    // Stating the current rate changes nothing, unless it confirms the assumed starting rate.
    await step('orvi_set_capture_frame_rate', { framesPerSecond: setup.rate },
        snapshot.source.metadata.captureFrameRate !== setup.rate ||
        snapshot.source.metadata.captureFrameRateOrigin === 'assumed');
    await step('orvi_set_range', { startFrame: setup.start, endFrameExclusive: setup.end });
    const [x, y, width, height] = setup.roi;
    await step('orvi_set_roi', { x, y, width, height });
    await step('orvi_set_processing_parameters', {
        rotationSpeedRpm: setup.rpm, lowerFrequencyHz: setup.lower,
        upperFrequencyHz: setup.upper, amplificationFactor: setup.factor,
        workerThreadCount: setup.workers,
        regionProcessingOptimizationEnabled: setup.optimization,
    });

    const state = await call('orvi_get_snapshot');
    const { settings, selection } = state;
    assert.deepEqual([state.revision, state.source.metadata.captureFrameRate,
        selection.startFrame, selection.endFrameExclusive, settings.regionOfInterest,
        settings.rotationSpeedRpm, settings.lowerFrequencyHz, settings.upperFrequencyHz,
        settings.amplificationFactor, settings.workerThreadCount,
        settings.regionProcessingOptimizationEnabled, settings.validationMessage],
    [revision, setup.rate, setup.start, setup.end,
        { coordinateSpace: 'normalized_upright_frame', x, y, width, height },
        setup.rpm, setup.lower, setup.upper, setup.factor, setup.workers, setup.optimization,
        ''], `${era}: the snapshot shows what was set`);
    const performance = await call('orvi_get_performance');
    assert.deepEqual(performance.sourcePreparation, state.source.metadata.preparation);
    // Changes reach the journal within the 75 ms coalescing interval.
    const wanted = ['source.state_changed', 'selection.changed', 'settings.changed'];
    for (let i = 0; i < 100 && !wanted.every((code) => codes.includes(code)); ++i) {
        page = await call('orvi_get_events', { cursor: page.nextCursor });
        codes = codes.concat(page.events.map((event) => event.code));
        await sleep(20);
    }
    assert.deepEqual(wanted.filter((code) => !codes.includes(code)), [], `${era}: ${codes}`);

    // The journey of an engineer: find the vibration, amplify its band, keep the results.
    const analysed = await analyseAndApply(call, era, setup, revision, page.nextCursor);
    const exported = await amplifyAndExport(call, era, setup, analysed);
    const reported = await writeReports(call, era, exported);
    await photographSections(call, era, setup, reported);
}

// Polls the journal and the snapshot until done(snapshot) holds; the events of the whole
// wait, read to the end once the coalesced ones have been written.
async function follow(call, done, cursor) {
    const codes = [];
    const read = async () => {
        const page = await call('orvi_get_events', { cursor, limit: 100 });
        codes.push(...page.events.map((event) => event.code));
        cursor = page.nextCursor;
    };
    let snapshot = await call('orvi_get_snapshot');
    for (let i = 0; i < 2400 && !done(snapshot); ++i) {
        await sleep(50);
        await read();
        snapshot = await call('orvi_get_snapshot');
    }
    assert.ok(done(snapshot), 'the work ended in time');
    await sleep(150);
    await read();
    // What follows the end (the preview handed to playback, its first frame) moves the
    // revision on: callers start from the settled state.
    snapshot = await call('orvi_get_snapshot');
    return { snapshot, codes, cursor };
}

function assertCodes(era, codes, wanted) {
    assert.deepEqual(wanted.filter((code) => !codes.includes(code)), [], `${era}: ${codes}`);
}

// A preview of the fragment with the applied band, then its export, checked with ffprobe and
// the parameters file.
async function amplifyAndExport(call, era, setup, previous) {
    const frames = setup.end - setup.start;
    const { lowerFrequencyHz, upperFrequencyHz } = previous.snapshot.settings;
    const revision = previous.snapshot.revision;
    const started = await call('orvi_start_preview', { expectedRevision: revision });
    assert.ok(started.accepted && started.revision > revision, `${era}: preview started`);
    let run = await follow(call, (snapshot) => !snapshot.preview.busy, previous.cursor);
    const { preview } = run.snapshot;
    assert.deepEqual([preview.state, preview.progress, preview.frameCount, preview.unsaved,
        preview.errorMessage], ['ready', 1, frames, true, ''], `${era}: preview`);
    assertCodes(era, run.codes, ['preview.state_changed', 'preview.progress_changed',
        'playback.state_changed', 'playback.preview_changed']);

    const destination = path.join(outputFolder, `${era}.mp4`);
    const chosen = await call('orvi_set_export_destination',
        { path: destination, expectedRevision: run.snapshot.revision });
    assert.deepEqual([chosen.destinationFilePath, chosen.parametersFilePath],
        [destination, `${destination}.json`], `${era}: destination`);
    await call('orvi_start_export', { expectedRevision: chosen.revision });
    run = await follow(call, (snapshot) => !snapshot.export.busy, run.cursor);
    const exporter = run.snapshot.export;
    assert.deepEqual([exporter.state, exporter.frameCount, exporter.exportRevision > 0,
        exporter.errorMessage, run.snapshot.preview.unsaved],
    ['completed', frames, true, '', false], `${era}: export`);
    assertCodes(era, run.codes, ['export.state_changed', 'export.progress_changed']);

    const probe = JSON.parse(execFileSync('ffprobe', ['-v', 'error', '-count_frames',
        '-select_streams', 'v:0', '-show_entries', 'stream=codec_name,width,height,nb_read_frames',
        '-of', 'json', destination]));
    const stream = probe.streams[0];
    assert.deepEqual([stream.codec_name, stream.width, stream.height, Number(stream.nb_read_frames)],
        ['h264', ...setup.size, frames], `${era}: exported video`);
    const { processing, source } = JSON.parse(readFileSync(`${destination}.json`, 'utf8'));
    assert.deepEqual([processing.fragment.startFrame, processing.fragment.endFrameExclusive,
        processing.lowerFrequencyHz, processing.upperFrequencyHz, processing.amplificationFactor,
        source.captureFrameRate],
    [setup.start, setup.end, lowerFrequencyHz, upperFrequencyHz, setup.factor, setup.rate],
    `${era}: parameters file`);

    const performance = await call('orvi_get_performance');
    assert.deepEqual([performance.activeOperation, performance.exportState,
        performance.exportCompleted, performance.previewReady],
    ['none', 'completed', true, true], `${era}: performance states`);
    assert.deepEqual(performance.performance, performance.exportPerformance);
    assert.deepEqual(performance.exportPerformance, exporter.performance);
    assert.deepEqual(performance.previewPerformance, preview.performance);
    assert.equal(preview.performance.available, true, `${era}: preview measured`);
    assert.equal(preview.performance.motionWorkerThreadMode,
        setup.workers === 0 ? 'automatic' : 'manual');
    return run;
}

// A spectrum analysis of the fragment and region: the strongest candidates are the known
// vibrations, and the strongest one's band goes to the amplification settings.
async function analyseAndApply(call, era, setup, revision, cursor) {
    const started = await call('orvi_spectrum', { action: 'start', expectedRevision: revision });
    assert.equal(started.spectrum.busy, true, `${era}: analysis started`);
    const run = await follow(call, (snapshot) => !snapshot.spectrum.busy, cursor);
    const { spectrum } = run.snapshot;
    assert.deepEqual([spectrum.ready, spectrum.error], [true, ''], `${era}: analysis`);
    assertCodes(era, run.codes, ['spectrum.command', 'spectrum.state_changed']);
    const order = spectrum.candidates.map((candidate, index) => index)
        .sort((a, b) => spectrum.candidates[b].relativePower - spectrum.candidates[a].relativePower);
    const strongest = order.slice(0, setup.known.length).map((index) => spectrum.candidates[index]);
    for (const hz of setup.known) {
        assert.ok(strongest.some((c) => Math.abs(c.frequencyHz - hz) <= setup.bins * spectrum.binWidthHz),
            `${era}: ${hz} Hz among ${strongest.map((c) => c.frequencyHz)}`);
    }
    const candidate = strongest[0];

    let snapshot = await call('orvi_spectrum',
        { action: 'select_candidate', index: order[0], expectedRevision: run.snapshot.revision });
    assert.deepEqual([snapshot.spectrum.selectedLowerFrequencyHz,
        snapshot.spectrum.selectedUpperFrequencyHz],
    [candidate.lowerFrequencyHz, candidate.upperFrequencyHz], `${era}: band selected`);
    snapshot = await call('orvi_spectrum',
        { action: 'apply_band', expectedRevision: snapshot.revision });
    // Widened about its centre when the fragment is too short for the band itself.
    const { settings } = snapshot;
    assert.ok(settings.lowerFrequencyHz <= candidate.lowerFrequencyHz &&
        settings.upperFrequencyHz >= candidate.upperFrequencyHz &&
        snapshot.spectrum.bandApplicationMessage !== '', `${era}: band applied`);
    return { ...run, snapshot };
}

// The PDF and DOCX reports of the analysis, opened with the writers' own test tools.
async function writeReports(call, era, previous) {
    let run = previous;
    for (const [format, suffix] of [[0, 'pdf'], [1, 'docx']]) {
        const report = path.join(outputFolder, `${era}.${suffix}`);
        await call('orvi_spectrum', { action: 'export', format, path: report,
            expectedRevision: run.snapshot.revision });
        run = await follow(call, (current) => !current.spectrum.reportBusy, run.cursor);
        assertCodes(era, run.codes, ['spectrum.report_changed']);
        assert.equal(run.snapshot.spectrum.reportMessage.includes(path.basename(report)), true,
            `${era}: ${run.snapshot.spectrum.reportMessage}`);
    }
    const pdf = path.join(outputFolder, `${era}.pdf`);
    execFileSync('qpdf', ['--check', pdf]); // throws on a damaged file
    const text = execFileSync('pdftotext', [pdf, '-'], { encoding: 'utf8' });
    const rows = execFileSync('/usr/bin/python3', ['-c', 'import docx,sys; ' +
        'print(len(docx.Document(sys.argv[1]).tables[0].rows))', path.join(outputFolder, `${era}.docx`)],
    { encoding: 'utf8' });
    const { candidates } = run.snapshot.spectrum;
    assert.deepEqual([text.length > 500, Number(rows)], [true, candidates.length + 1],
        `${era}: report contents`);
    return run;
}

// A screenshot of each section and of each representation of the result, as PNG files.
async function photographSections(call, era, setup, previous) {
    let { revision } = previous.snapshot;
    const shots = [['section', 'amplification'], ['section', 'spectrum'], ['view', 'spectrum'],
        ['view', 'map'], ['view', 'points'], ['view', 'bands'], ['view', 'phase']];
    for (const [kind, name] of shots) {
        const request = kind === 'section' ? { action: 'select_section', section: name }
            : { action: 'select_view', view: name };
        revision = (await call('orvi_ui', { request, expectedRevision: revision })).revision;
        const file = path.join(outputFolder, `${era}-${kind}-${name}.png`);
        const shot = await call('orvi_screenshot', { path: file, expectedRevision: revision });
        const ui = await call('orvi_get_ui');
        assert.deepEqual([shot.path, readFileSync(file).subarray(1, 4).toString(),
            kind === 'section' ? ui.section : ui.view], [file, 'PNG', name], `${era}: ${file}`);
    }
}

// Refused before any argument is looked at, so none is needed.
async function exerciseReadOnly(client, era) {
    const snapshot = await succeed(client, era, 'orvi_get_snapshot');
    assert.equal(snapshot.controlEnabled, false);
    const { tools } = await client.listTools();
    const mutating = tools.filter((tool) => !tool.annotations.readOnlyHint);
    assert.equal(mutating.length, 15);
    for (const { name } of mutating) {
        const result = await client.callTool({ name, arguments: {} });
        assert.deepEqual([result.isError, result.structuredContent],
            [true, { code: 'control_disabled' }], `${era}: ${name}`);
    }
}

const exercise = {
    'stand-in': exerciseStandIn,
    control: exerciseControl,
    'read-only': exerciseReadOnly,
}[process.env.ORVI_CHECK_MODE ?? 'stand-in'];

async function legacyEra() {
    const client = new LegacyClient({ name: 'orvi-legacy-check', version: '1.0.0' });
    await client.connect(new LegacyTransport(serverParameters()));
    assert.match(client.getServerVersion().name, /^orvi-motion .* MCP Bridge$/);
    assert.ok(client.getInstructions().includes('ORVI Zazira'));
    // The 2026-07-28 client no longer sends "ping"; the 2025 one still does.
    await client.ping();
    await exercise(client, '2025');
    await client.close();
}

async function modernEra() {
    const client = new Client(
        { name: 'orvi-modern-check', version: '1.0.0' },
        { versionNegotiation: { mode: { pin: '2026-07-28' } } },
    );
    await client.connect(new StdioClientTransport(serverParameters()));
    await exercise(client, '2026-07-28');
    await client.close();
}

try {
    await legacyEra();
    await modernEra();
    console.log('MCP client check passed in both eras.');
} catch (error) {
    console.error(error);
    process.exit(1);
}
