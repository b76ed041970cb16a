// The Web Audio side of the web wave device: the AudioContext made on the page's click, and the
// player that the device's calls drive. Blocks go to an AudioWorklet by postMessage (no shared
// memory without cross-origin isolation); without a worklet a ScriptProcessorNode plays them.
var VorruAudio = (function () {
  'use strict';

  // The player's queue, the same code in the worklet and in the fallback: 16-bit stereo chunks
  // in, float frames out; counts the frames played and the frames it had to leave silent.
  var QUEUE_SOURCE = `
class VorruQueue {
  constructor() { this.chunks = []; this.at = 0; this.played = 0; this.lost = 0; this.playing = true; }
  push(chunk) { this.chunks.push(chunk); }
  fill(left, right) {
    var n = left.length, i = 0;
    while (i < n && this.playing && this.chunks.length) {
      var c = this.chunks[0];
      while (i < n && this.at < c.length) {
        left[i] = c[this.at] / 32768; right[i] = c[this.at + 1] / 32768; this.at += 2; i++;
      }
      if (this.at >= c.length) { this.chunks.shift(); this.at = 0; }
    }
    this.played += i;
    if (this.playing) this.lost += n - i;
    for (; i < n; i++) { left[i] = 0; right[i] = 0; }
  }
}`;

  var WORKLET_SOURCE = QUEUE_SOURCE + `
class VorruPlayer extends AudioWorkletProcessor {
  constructor() {
    super();
    this.queue = new VorruQueue();
    this.port.onmessage = (e) => { if (e.data === 'stop') this.queue.playing = false; else this.queue.push(e.data); };
  }
  process(inputs, outputs) {
    var out = outputs[0];
    this.queue.fill(out[0], out[1] || out[0]);
    this.port.postMessage([this.queue.played, this.queue.lost]);
    return this.queue.playing;
  }
}
registerProcessor('vorru-player', VorruPlayer);`;

  var BURST_FRAMES = 1024;

  // Makes the context on a user gesture. Resolves to {ctx, worklet} or to {error}.
  async function start(rate) {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return { error: 'this browser has no Web Audio' };
    var ctx;
    try {
      ctx = new Context({ sampleRate: rate, latencyHint: 'playback' });
    } catch (e) {
      return { error: 'Web Audio refused ' + rate + ' Hz: ' + e.message };
    }
    var worklet = false;
    if (ctx.audioWorklet) {
      try {
        // A data: URL, as blob: URLs fail on pages opened from file://.
        await ctx.audioWorklet.addModule('data:text/javascript;base64,' + btoa(WORKLET_SOURCE));
        worklet = true;
      } catch (e) {
        console.error('vorru: no AudioWorklet (' + e.message + '); using a ScriptProcessorNode');
      }
    }
    try { await Promise.race([ctx.resume(), new Promise((r) => setTimeout(r, 2000))]); } catch (e) {}
    if (ctx.state !== 'running') {
      ctx.close();
      return { error: 'the browser did not let the sound start' };
    }
    return { ctx: ctx, worklet: worklet };
  }

  // The player for one run of the demo over `audio` ({ctx, worklet}); the wave device's calls.
  function player(audio, blockCount) {
    var ctx = audio.ctx;
    var p = { node: null, heap: null, ring: 0, bytes: 0, sent: 0, lastBlock: 0, played: 0, lost: 0,
              lostAfterFirstSecond: 0, playedAt: 0, heard: 0 };
    var post = null;

    function send(from, to) {
      var chunk = new Int16Array((to - from) >> 1);
      var at = 0;
      while (from < to) {
        var offset = from % p.bytes;
        var n = Math.min(p.bytes - offset, to - from);
        chunk.set(p.heap().subarray((p.ring + offset) >> 1, (p.ring + offset + n) >> 1), at);
        at += n >> 1;
        from += n;
      }
      post(chunk);
    }

    function counted(played, lost) {
      // Blocks missed once the first second has been played are the ones that count as lost.
      if (played >= ctx.sampleRate && lost > p.lost) p.lostAfterFirstSecond += lost - p.lost;
      if (played !== p.played) p.playedAt = performance.now();
      p.played = played;
      p.lost = lost;
    }

    // Browsers play in bursts (headless Chromium 1024 frames at a time): between two counts the
    // position moves on with the wall clock, by at most one burst, and never goes back. What
    // the worklet has played reaches the ear the context's latencies later.
    function heard() {
      var since = Math.floor((performance.now() - p.playedAt) * ctx.sampleRate / 1000);
      var latency = Math.round(((ctx.baseLatency || 0) + (ctx.outputLatency || 0)) * ctx.sampleRate);
      var frames = p.played + Math.max(0, Math.min(since, BURST_FRAMES)) - latency;
      p.heard = Math.max(p.heard, frames);
      return p.heard;
    }

    p.prepare = function (heap16, ring, bytes) { p.heap = heap16; p.ring = ring; p.bytes = bytes; };

    // The whole ring is final when playback starts; it is queued before the node connects.
    p.write = function () {
      p.reset();
      p.played = p.lost = p.lostAfterFirstSecond = p.heard = 0;
      p.playedAt = performance.now();
      p.lastBlock = 0;
      if (audio.worklet) {
        var node = new AudioWorkletNode(ctx, 'vorru-player', { numberOfInputs: 0, outputChannelCount: [2] });
        node.port.onmessage = function (e) { counted(e.data[0], e.data[1]); };
        post = function (chunk) { node.port.postMessage(chunk, [chunk.buffer]); };
        p.node = node;
      } else {
        var Queue = new Function(QUEUE_SOURCE + '; return VorruQueue;')();
        var queue = new Queue();
        var node = ctx.createScriptProcessor(2048, 0, 2);
        node.onaudioprocess = function (e) {
          queue.fill(e.outputBuffer.getChannelData(0), e.outputBuffer.getChannelData(1));
          counted(queue.played, queue.lost);
        };
        post = function (chunk) { queue.push(chunk); };
        node.stopQueue = function () { queue.playing = false; };
        p.node = node;
      }
      p.sent = p.bytes;
      send(0, p.bytes);
      p.node.connect(ctx.destination);
    };

    // Before the feeder's refills of this poll: everything refilled after the previous poll is
    // final, up to one ring past the block that was playing then.
    p.position = function () {
      if (!p.node) return 0;
      var blockBytes = p.bytes / blockCount;
      var end = (p.lastBlock + blockCount) * blockBytes;
      if (end > p.sent) {
        send(p.sent, end);
        p.sent = end;
      }
      // At most one block further per poll: a feeder that saw a longer jump across the end of
      // the ring would wait a whole lap (its rule), and the ring would play old blocks.
      var position = Math.min(heard() * 4, (p.lastBlock + 2) * blockBytes - 4);
      p.lastBlock = Math.floor(position / blockBytes);
      return position;
    };

    p.reset = function () {
      if (!p.node) return;
      if (p.node.port) p.node.port.postMessage('stop');
      else p.node.stopQueue();
      p.node.disconnect();
      p.node = null;
    };
    return p;
  }

  return { start: start, player: player };
})();
