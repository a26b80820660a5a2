#!/usr/bin/env python3
"""Generates the saver's 36 recordings into resources/sound/ and lists them in
resources/resources.txt.

Each recording: the programme's name announced over the airfield loudspeaker (espeak-ng's
Japanese voice reading kana), then the display as heard from the ground camera: turbine
roar, rumble and whine whose loudness, brightness and pitch follow the figure (distance,
Doppler shift on passes, power on pull-ups and take-offs), the hiss of the smoke while it
is on, and a light wind throughout. sox makes the noise beds and the loudspeaker sound,
this script shapes and mixes them, lame encodes at 11025 Hz mono, and mp3_wave.py writes
the container. With the same tool versions the output is the same byte for byte.

    tools/sound/make_recordings.py [--only ID ...]
"""

import argparse
import array
import math
import os
import random
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mp3_wave  # noqa: E402
from programmes import EYE, RECORDINGS  # noqa: E402

RATE = 11025
CONTROL_RATE = 100                  # engine state is computed 100 times a second
STEP = RATE / CONTROL_RATE
SPEED_OF_SOUND = 34.0               # world units per second (a unit is about 10 m)
DOPPLER_SCALE = 0.5                 # half the true shift: the whine bends, it does not yodel
ANNOUNCE_AT = 0.3                   # seconds
APPLAUSE_LEAD = 4.0                 # seconds of clapping before the figure ends
APPLAUSE_TAIL = 3.0                 # and after it
CLAPS_PER_SECOND = 90.0             # at the height of it
APPLAUSE_LEVEL = 0.35
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEFAULT_OUT = os.path.join(ROOT, "resources", "sound")

# Noise beds: sox synth arguments after the length. Normalised to -3 dBFS each.
BEDS = {
    "rumble": ["brownnoise", "highpass", "35", "lowpass", "220", "lowpass", "220"],
    "roar": ["pinknoise", "bandpass", "700", "1.5o"],
    "tear": ["whitenoise", "highpass", "1800"],
    "smoke": ["pinknoise", "bandpass", "2600", "1o"],
    "wind": ["brownnoise", "highpass", "40", "lowpass", "350", "tremolo", "0.15", "70"],
}


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw).stdout


def make_bed(kind, seconds):
    raw = run(["sox", "-R", "-n", "-t", "raw", "-r", str(RATE), "-e", "signed", "-b", "16", "-c", "1",
               "-", "synth", f"{seconds:.3f}", *BEDS[kind], "gain", "-n", "-3"])
    return array.array("h", raw)


def announcement(reading, tmp):
    """The name read by the Japanese voice, through a band-limited loudspeaker with an echo
    off the hangars; float samples at RATE."""
    spoken = os.path.join(tmp, "speech.wav")
    run(["espeak-ng", "-v", "ja", "-s", "135", "-p", "45", "-w", spoken, reading + "。"])
    raw = run(["sox", "-R", spoken, "-t", "raw", "-r", str(RATE), "-e", "signed", "-b", "16", "-c", "1", "-",
               "highpass", "320", "lowpass", "3200", "overdrive", "6", "echo", "0.8", "0.7", "190",
               "0.25", "reverb", "25", "gain", "-n", "-2"])
    return [s / 32768.0 for s in array.array("h", raw)]


def interpolate(keys, t):
    """Linear interpolation in a list of (t, values...) rows; beyond the last row the last
    segment is continued (so a recording longer than its figure flies on)."""
    if t <= keys[0][0]:
        return keys[0][1:]
    for a, b in zip(keys, keys[1:]):
        if t <= b[0] or b is keys[-1]:
            s = (t - a[0]) / (b[0] - a[0])
            return tuple(va + s * (vb - va) for va, vb in zip(a[1:], b[1:]))
    return keys[-1][1:]


def along_path(path, t):
    """Position on a group's path: a Catmull-Rom curve through its points, so that the
    distance and its rate of change (the Doppler shift) have no corners; continued straight
    beyond the last point."""
    if t >= path[-1][0] or len(path) < 3:
        return interpolate(path, t)
    t = max(t, path[0][0])
    i = next(k for k in range(1, len(path)) if t <= path[k][0])
    p0, p1, p2, p3 = (path[max(i - 2, 0)], path[i - 1], path[i], path[min(i + 1, len(path) - 1)])
    s = (t - p1[0]) / (p2[0] - p1[0])
    return tuple(0.5 * (2 * b + (c - a) * s + (2 * a - 5 * b + 4 * c - d) * s * s + (3 * b - a - 3 * c + d) * s ** 3)
                 for a, b, c, d in zip(p0[1:], p1[1:], p2[1:], p3[1:]))


def held(keys, t):
    """Like interpolate, but held at the ends."""
    return interpolate(keys, min(max(t, keys[0][0]), keys[-1][0]))


def smoothed(values, seconds):
    """Moving average over about `seconds`, so corners of the sketch do not click."""
    half = max(1, int(seconds * CONTROL_RATE / 2))
    prefix = [0.0]
    for v in values:
        prefix.append(prefix[-1] + v)
    n = len(values)
    return [(prefix[min(n, i + half + 1)] - prefix[max(0, i - half)]) / (min(n, i + half + 1) - max(0, i - half))
            for i in range(n)]


def group_controls(group, figure_s, steps):
    """Per control step: distance to the eye (units), radial speed (units/s), power."""
    distance, power = [], []
    for i in range(steps):
        t = i / CONTROL_RATE / figure_s
        x, y, z = along_path(group.path, t)
        distance.append(math.dist((x, y, z), EYE))
        power.append(held(group.power, t)[0])
    distance = smoothed(distance, 0.6)
    power = smoothed(power, 1.5)  # turbines spool up and down in about a second
    speed = [(distance[min(i + 1, steps - 1)] - distance[max(i - 1, 0)]) * CONTROL_RATE / 2 for i in range(steps)]
    return distance, smoothed(speed, 0.8), power


def engine_controls(rec, steps):
    """Gains of the noise beds and the whine voices per control step."""
    figure_s = rec.duration_ms / 1000.0
    gains = {k: [0.0] * steps for k in ("rumble", "roar", "tear", "smoke")}
    voices = []
    for group in rec.groups:
        distance, speed, power = group_controls(group, figure_s, steps)
        crowd = math.sqrt(group.aircraft)
        amp, freq = [], []
        for i in range(steps):
            near = 30.0 / max(distance[i], 10.0)  # 1 at 30 units
            p = power[i]
            t = i / CONTROL_RATE / figure_s
            gains["rumble"][i] += crowd * (0.35 + 0.65 * p) * near ** 0.9
            gains["roar"][i] += crowd * p ** 1.5 * near ** 1.3
            gains["tear"][i] += 0.5 * crowd * p * near ** 2.2
            if any(a <= t < b for a, b in rec.smoke):
                gains["smoke"][i] += 0.12 * crowd * near ** 1.5
            doppler = 1.0 / (1.0 + DOPPLER_SCALE * speed[i] / SPEED_OF_SOUND)
            amp.append(0.18 * crowd * p ** 2 * near ** 1.8)
            freq.append((1500.0 + 1700.0 * p) * min(max(doppler, 0.6), 1.5))
        voices.append((amp, freq, 1.0 + 0.004 * len(voices)))
    return gains, voices


def clap_grains(rng, count=8):
    """Short band-limited noise bursts: one hand clap each, a few variants."""
    grains = []
    for _ in range(count):
        low = high = 0.0
        grain = []
        for k in range(int(0.014 * RATE)):
            before = low
            low += 0.55 * (rng.uniform(-1.0, 1.0) - low)  # lowpass near 1.5 kHz
            high = 0.85 * (high + low - before)           # then take the lows off
            grain.append(2.0 * high * math.exp(-k / (0.0035 * RATE)))
        grains.append(grain)
    return grains


def add_applause(out, rec, rng):
    """The crowd claps as the figure ends: swelling over its last seconds and dying away
    after it (cut off by the next recording unless this one runs on)."""
    figure_s = rec.duration_ms / 1000.0
    begin, peak, end = figure_s - APPLAUSE_LEAD, figure_s - 1.0, figure_s + APPLAUSE_TAIL
    grains = clap_grains(rng)
    t = begin
    while t < min(end, rec.seconds):
        swell = (t - begin) / (peak - begin) if t < peak else max(0.0, (end - t) / (end - peak))
        t += rng.expovariate(CLAPS_PER_SECOND * max(swell, 0.05))
        at = int(t * RATE)
        grain = grains[rng.randrange(len(grains))]
        gain = APPLAUSE_LEVEL * swell * rng.uniform(0.3, 1.0)
        for k, g in enumerate(grain[:max(0, len(out) - at)]):
            out[at + k] += gain * g


def render(rec, beds, speech):
    n = round(rec.seconds * RATE)
    steps = int(n / STEP) + 2
    gains, voices = engine_controls(rec, steps)
    offset = (rec.wave * 7919) % (len(beds["wind"]) - n)  # each recording its own stretch of noise
    out = array.array("d", bytes(8 * n))
    # The beds, each scaled by its gain curve.
    for kind, curve in list(gains.items()) + [("wind", None)]:
        bed = beds[kind]
        for c in range(steps - 1):
            lo, hi = int(c * STEP), min(n, int((c + 1) * STEP))
            g0 = 0.045 if curve is None else curve[c]
            dg = 0.0 if curve is None else (curve[c + 1] - g0) / (hi - lo or 1)
            for j in range(lo, hi):
                out[j] += (g0 + dg * (j - lo)) * bed[offset + j] / 32768.0
    # The turbine whine: a tone and its octave below per group, pitch bent by the Doppler
    # shift, with a slow wobble from the formation's engines beating against each other.
    for amp, freq, detune in voices:
        phase = sub = 0.0
        for c in range(steps - 1):
            lo, hi = int(c * STEP), min(n, int((c + 1) * STEP))
            a0, da = amp[c], (amp[c + 1] - amp[c]) / (hi - lo or 1)
            f0, df = freq[c] * detune, (freq[c + 1] - freq[c]) * detune / (hi - lo or 1)
            for j in range(lo, hi):
                f = f0 + df * (j - lo)
                phase += 2 * math.pi * f / RATE
                sub += math.pi * f / RATE
                out[j] += (a0 + da * (j - lo)) * (math.sin(phase) + 0.6 * math.sin(sub) * (1 + 0.3 * math.sin(j * 0.0011)))
    add_applause(out, rec, random.Random(rec.wave))
    # The announcement over the top, the engines ducked under it.
    start = int(ANNOUNCE_AT * RATE)
    duck_end = start + len(speech) + RATE // 4
    for j in range(min(n, duck_end + RATE // 2)):
        if j >= start - RATE // 10:
            out[j] *= 0.45 if j < duck_end else 0.45 + 0.55 * (j - duck_end) / (RATE // 2)
    for k, s in enumerate(speech):
        if start + k < n:
            out[start + k] += 0.75 * s
    # Soft limit, a short fade at both ends, 16 bits.
    fade = RATE // 50
    pcm = array.array("h", bytes(2 * n))
    for j in range(n):
        edge = min(1.0, j / fade, (n - 1 - j) / fade)
        pcm[j] = int(round(32000 * math.tanh(1.1 * out[j]) * edge))
    return pcm


def encode(rec, pcm, tmp):
    raw, mp3 = os.path.join(tmp, "pcm.raw"), os.path.join(tmp, "out.mp3")
    pcm.tofile(open(raw, "wb"))
    run(["lame", "--quiet", "-r", "-s", "11.025", "--bitwidth", "16", "--signed", "--little-endian",
         "-m", "m", "--abr", "20", "-q", "2", raw, mp3])
    with open(mp3, "rb") as f:
        return mp3_wave.wave_bytes(f.read(), expected_samples=len(pcm))


def update_manifest(recordings):
    """Replaces the WAVE lines of resources.txt with one line per recording, in id order."""
    path = os.path.join(ROOT, "resources", "resources.txt")
    with open(path, encoding="utf-8") as f:
        lines = [ln for ln in f.read().splitlines() if not re.match(r"WAVE\s", ln)]
    lines += [f"WAVE {r.wave} sound/{file_name(r)}" for r in sorted(recordings, key=lambda r: r.wave)]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def file_name(rec):
    return f"wave{rec.wave}.wav"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", type=int, nargs="*", help="WAVE ids to make (default all)")
    parser.add_argument("--out", default=DEFAULT_OUT, help="folder (resources.txt is updated only for the default)")
    args = parser.parse_args()
    chosen = [r for r in RECORDINGS if not args.only or r.wave in args.only]
    os.makedirs(args.out, exist_ok=True)
    longest = max(r.seconds for r in RECORDINGS)
    beds = {kind: make_bed(kind, longest + 30) for kind in BEDS}
    with tempfile.TemporaryDirectory() as tmp:
        for rec in chosen:
            pcm = render(rec, beds, announcement(rec.reading, tmp))
            wav = encode(rec, pcm, tmp)
            with open(os.path.join(args.out, file_name(rec)), "wb") as f:
                f.write(wav)
            print(f"WAVE {rec.wave}: {len(pcm) / RATE:.3f} s, {len(wav)} bytes", flush=True)
    if args.out == DEFAULT_OUT:
        update_manifest(RECORDINGS)


if __name__ == "__main__":
    main()
