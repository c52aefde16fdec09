// Drives orvi-motion-mcp with the MCP TypeScript SDK in both protocol eras: the 1.x
// client with the 2025 "initialize" handshake and the 2.x client pinned to 2026-07-28.
// The test that starts this script provides a stand-in instance and sets
// ORVI_MCP_BRIDGE (the program) and XDG_RUNTIME_DIR (where the instance published).
import assert from 'node:assert/strict';

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

// What a host passes: its reduced default environment plus the runtime folder.
function serverParameters() {
    return {
        command: process.env.ORVI_MCP_BRIDGE,
        args: [],
        env: { ...getDefaultEnvironment(), XDG_RUNTIME_DIR: process.env.XDG_RUNTIME_DIR },
        stderr: 'pipe',
    };
}

async function exercise(client, era) {
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
