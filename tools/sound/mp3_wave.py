#!/usr/bin/env python3
"""Wraps an MPEG Layer-3 stream from lame in the RIFF WAVE container the saver plays.

The container: a 30-byte fmt chunk with format tag 0x0055 and its 12 bytes of extra fields,
a fact chunk with the number of PCM samples the stream decodes to, and the MPEG data as lame
wrote it, its first frame being the encoder's info frame so that decoders trim the encoder
delay and padding. The sample count is read from that info frame and checked against the
length of the PCM that was encoded, when it is given.

    mp3_wave.py IN.mp3 OUT.wav [--samples N]
"""

import argparse
import struct
import sys

WAVE_FORMAT_MPEGLAYER3 = 0x0055
MPEGLAYER3_ID_MPEG = 1
MPEGLAYER3_FLAG_PADDING_ISO = 0
SAMPLE_RATE = 11025
AVG_BYTES_PER_SEC = 2500  # the nominal 20 kbit/s of the recordings
SAMPLES_PER_FRAME = 576   # MPEG-2 and 2.5 Layer III

# Layer III bitrates in kbit/s of MPEG-2 and 2.5, by the header's 4-bit index.
BITRATES_LSF = [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0]
RATES_MPEG25 = [11025, 12000, 8000]


class Mp3Error(Exception):
    pass


def frame_length(header):
    """Bytes of the MPEG-2.5 Layer III frame starting with this 4-byte header."""
    if header[0] != 0xFF or (header[1] & 0xE0) != 0xE0:
        raise Mp3Error("lost frame sync")
    version = (header[1] >> 3) & 3
    layer = (header[1] >> 1) & 3
    if version != 0 or layer != 1:
        raise Mp3Error("expected MPEG-2.5 Layer III (lame at 11025 Hz mono)")
    bitrate = BITRATES_LSF[header[2] >> 4] * 1000
    rate_index = (header[2] >> 2) & 3
    if bitrate == 0 or rate_index == 3:
        raise Mp3Error("free or bad bitrate or sample rate")
    if RATES_MPEG25[rate_index] != SAMPLE_RATE:
        raise Mp3Error("sample rate is not 11025 Hz")
    padding = (header[2] >> 1) & 1
    return 72 * bitrate // SAMPLE_RATE + padding


def split_frames(mp3):
    """Frame offsets of the stream, after any leading ID3v2 tag."""
    pos = 0
    if mp3[:3] == b"ID3":
        size = mp3[6] << 21 | mp3[7] << 14 | mp3[8] << 7 | mp3[9]
        pos = 10 + size
    offsets = []
    while pos + 4 <= len(mp3):
        if mp3[pos:pos + 3] == b"TAG":  # ID3v1 at the end
            break
        offsets.append(pos)
        pos += frame_length(mp3[pos:pos + 4])
    if pos > len(mp3):
        raise Mp3Error("last frame is truncated")
    return offsets


def info_frame_delays(frame):
    """(encoder delay, padding) from lame's info frame, which must be the first frame."""
    side_info = 9 if (frame[3] >> 6) == 3 else 17  # mono or not, MPEG-2/2.5
    tag = 4 + side_info
    if frame[tag:tag + 4] not in (b"Info", b"Xing"):
        raise Mp3Error("first frame is not the encoder's info frame; keep it (do not pass -t)")
    flags = struct.unpack(">I", frame[tag + 4:tag + 8])[0]
    lame = tag + 8 + 4 * bin(flags & 0xB).count("1") + (100 if flags & 4 else 0)
    if frame[lame:lame + 4] != b"LAME":
        raise Mp3Error("info frame has no encoder extension")
    packed = frame[lame + 21:lame + 24]
    return packed[0] << 4 | packed[1] >> 4, (packed[1] & 0xF) << 8 | packed[2]


def wave_bytes(mp3, expected_samples=None):
    offsets = split_frames(mp3)
    if len(offsets) < 2:
        raise Mp3Error("no audio frames")
    delay, padding = info_frame_delays(mp3[offsets[0]:offsets[1]])
    samples = (len(offsets) - 1) * SAMPLES_PER_FRAME - delay - padding
    if expected_samples is not None and samples != expected_samples:
        raise Mp3Error(f"stream decodes to {samples} samples, {expected_samples} were encoded")
    data = mp3[offsets[0]:]
    block_size = 72 * AVG_BYTES_PER_SEC * 8 // SAMPLE_RATE
    fmt = struct.pack("<HHIIHHHHIHHH", WAVE_FORMAT_MPEGLAYER3, 1, SAMPLE_RATE, AVG_BYTES_PER_SEC,
                      1, 0, 12, MPEGLAYER3_ID_MPEG, MPEGLAYER3_FLAG_PADDING_ISO, block_size, 1,
                      delay)
    chunks = [(b"fmt ", fmt), (b"fact", struct.pack("<I", samples)), (b"data", data)]
    body = b"WAVE"
    for name, payload in chunks:
        body += name + struct.pack("<I", len(payload)) + payload + b"\0" * (len(payload) & 1)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mp3")
    parser.add_argument("wav")
    parser.add_argument("--samples", type=int, help="PCM samples that were encoded")
    args = parser.parse_args()
    with open(args.mp3, "rb") as f:
        mp3 = f.read()
    try:
        wav = wave_bytes(mp3, args.samples)
    except Mp3Error as e:
        sys.exit(f"{args.mp3}: {e}")
    with open(args.wav, "wb") as f:
        f.write(wav)


if __name__ == "__main__":
    main()
