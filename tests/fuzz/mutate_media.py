#!/usr/bin/env python3
"""Mutated media through the probe and the conversion of reelwright-cli.

Makes tiny seed clips of several containers with the ffmpeg tool, writes mutated copies of them (bit flips,
overwritten runs, large timestamp-like bytes, cuts, duplicated and removed chunks) with a fixed random seed,
and runs each copy through `reelwright-cli --probe` and a conversion to one of several formats. Nothing is
committed: every file is made anew in a temporary folder.

A finding is:
  crash    the program ended by a signal or with a status other than 0 or 1
  hang     a run outlasted its time-out
  runaway  an output far longer (in time) or larger than anything a one-second input can give
  leftover a failed conversion left a file behind, or a successful one left other than exactly one file
  false success  a conversion reported success but its output holds no packet of any stream
Transport-stream seeds also get a timestamp jump: the presentation and decoding times of the second half's
packets moved about 26 hours ahead (the kind of discontinuity that makes a converter run away).
With --sanitizer-status N, a run that ended with that status (set ASAN_OPTIONS/UBSAN_OPTIONS exitcode=N)
is a sanitizer report.
Each finding names the seed clip, the mutation and the copy's number, so `--only N` reruns that copy.
Exits with 1 when there is any finding, 0 otherwise.
"""

import argparse
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SEEDS = {
    # name: ffmpeg arguments after the lavfi sources (video source first, then the sine)
    "mpeg4-aac.mp4": ["-c:v", "mpeg4", "-c:a", "aac"],
    "h264-aac.mkv": ["-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"],
    "mpeg4-mp3.avi": ["-c:v", "mpeg4", "-c:a", "libmp3lame"],
    "flv1-mp3.flv": ["-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "44100"],
    "mpeg2-mp2.mpg": ["-c:v", "mpeg2video", "-c:a", "mp2"],
    "mpeg2-mp2.ts": ["-c:v", "mpeg2video", "-c:a", "mp2"],
    "vp8-vorbis.webm": ["-c:v", "libvpx", "-c:a", "libvorbis"],
    "pcm.wav": ["-vn", "-c:a", "pcm_s16le"],
    "audio.mp3": ["-vn", "-c:a", "libmp3lame"],
    "audio.ogg": ["-vn", "-c:a", "libvorbis"],
}
FORMATS = ["AVI", "MP4", "FLV", "MPEG", "MP3", "WAV"]
# A one-second input can give some seconds more at most (a damaged duration, padding); this is far beyond.
MAX_OUTPUT_SECONDS = 30.0
MAX_OUTPUT_BYTES = 64 * 1024 * 1024


def make_seeds(folder):
    paths = []
    for name, codec_args in SEEDS.items():
        path = os.path.join(folder, name)
        cmd = ["ffmpeg", "-nostdin", "-v", "error", "-y",
               "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25",
               "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
               "-t", "1", "-g", "10"] + codec_args + [path]
        if subprocess.run(cmd).returncode == 0:
            paths.append(path)
        else:
            print(f"note: seed {name} could not be made, skipped", file=sys.stderr)
    return paths


def shift_pes_time(data, at, ticks):
    """Adds ticks to the 33-bit time stamp written in the 5 bytes at data[at:at + 5]."""
    b = data[at:at + 5]
    value = ((b[0] >> 1) & 7) << 30 | b[1] << 22 | (b[2] >> 1) << 15 | b[3] << 7 | b[4] >> 1
    value = (value + ticks) % (1 << 33)
    data[at] = (b[0] & 0xF1) | ((value >> 29) & 0x0E)
    data[at + 1] = (value >> 22) & 0xFF
    data[at + 2] = ((value >> 14) & 0xFE) | 1
    data[at + 3] = (value >> 7) & 0xFF
    data[at + 4] = ((value << 1) & 0xFE) | 1


def ts_jump(data, rng):
    """The second half's PES times of a transport stream moved ahead by about 26 hours."""
    data = bytearray(data)
    ticks = int((26 * 3600 + rng.randrange(3600)) * 90000)
    which = rng.choice(["both", "pts-only"])
    packets = len(data) // 188
    for n in range(packets // 2, packets):
        p = n * 188
        if data[p] != 0x47 or not data[p + 1] & 0x40:
            continue
        payload = p + 4
        if data[p + 3] & 0x20:
            payload += 1 + data[p + 4]
        if payload + 14 > p + 188 or data[payload:payload + 3] != b"\0\0\1":
            continue
        flags = data[payload + 7] >> 6
        if flags & 2:
            shift_pes_time(data, payload + 9, ticks)
        if flags == 3 and which == "both":
            shift_pes_time(data, payload + 14, ticks)
    return bytes(data), f"times of the second half +{ticks / 90000 / 3600:.1f} h ({which})"


def mutate(data, rng, ts=False):
    """Returns (mutated bytes, description)."""
    if ts and rng.random() < 0.3:
        return ts_jump(data, rng)
    data = bytearray(data)
    size = len(data)
    kind = rng.choice(["flip", "flip", "run", "bigvalue", "cut", "duplicate", "remove"])
    # Headers carry most of the structure: aim half of the changes at the first 2 KiB.
    def place(span=1):
        limit = min(size, 2048) if rng.random() < 0.5 else size
        return rng.randrange(0, max(1, limit - span))
    if kind == "flip":
        count = rng.randint(1, 16)
        for _ in range(count):
            at = place()
            data[at] ^= 1 << rng.randrange(8)
        return bytes(data), f"flip {count} bits"
    if kind == "run":
        length = rng.randint(2, 64)
        at = place(length)
        data[at:at + length] = bytes(rng.randrange(256) for _ in range(length))
        return bytes(data), f"random run of {length} at {at}"
    if kind == "bigvalue":
        length = rng.choice([4, 8])
        at = place(length)
        data[at:at + length] = bytes([0x7F] + [0xFF] * (length - 1))
        return bytes(data), f"large value ({length} bytes) at {at}"
    if kind == "cut":
        at = rng.randrange(0, size)
        return bytes(data[:at]), f"cut at {at} of {size}"
    if kind == "duplicate":
        length = rng.randint(16, 4096)
        at = place(length)
        chunk = data[at:at + length]
        to = rng.randrange(0, size)
        return bytes(data[:to] + chunk + data[to:]), f"{length} bytes from {at} repeated at {to}"
    length = rng.randint(16, 4096)
    at = place(length)
    return bytes(data[:at] + data[at + length:]), f"{length} bytes removed at {at}"


def run(cmd, timeout):
    """Returns (status, seconds); status is None after a time-out."""
    start = time.monotonic()
    try:
        proc = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, timeout=timeout)
        return proc.returncode, time.monotonic() - start
    except subprocess.TimeoutExpired:
        return None, time.monotonic() - start


def duration_of(path):
    proc = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "json", path],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        return float(json.loads(proc.stdout)["format"]["duration"])
    except (ValueError, KeyError, TypeError):
        return 0.0


def packet_count(path):
    proc = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_entries", "stream=nb_read_packets",
                           "-of", "json", path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        return sum(int(s.get("nb_read_packets", 0)) for s in json.loads(proc.stdout)["streams"])
    except (ValueError, KeyError, TypeError):
        return 0


SANITIZER_STATUS = None


def judge(what, status):
    if status is None:
        return f"hang ({what})"
    if status < 0:
        return f"crash ({what}): signal {signal.Signals(-status).name}"
    if SANITIZER_STATUS is not None and status == SANITIZER_STATUS:
        return f"sanitizer report ({what})"
    if status not in (0, 1):
        return f"crash ({what}): exit status {status}"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", required=True, help="path of reelwright-cli")
    parser.add_argument("--count", type=int, default=300, help="mutated copies (default 300)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    parser.add_argument("--timeout", type=float, default=60, help="seconds a run may take (default 60)")
    parser.add_argument("--only", type=int, help="run only the copy of this number")
    parser.add_argument("--keep", help="copy the files of each finding into this folder")
    parser.add_argument("--sanitizer-status", type=int, help="the exit status the sanitizers were given")
    args = parser.parse_args()
    global SANITIZER_STATUS
    SANITIZER_STATUS = args.sanitizer_status

    with tempfile.TemporaryDirectory(prefix="reel-fuzz-") as work:
        seeds = make_seeds(work)
        if not seeds:
            print("no seed clip could be made", file=sys.stderr)
            return 1
        rng = random.Random(args.seed)
        findings = []
        runs = 0
        started = time.monotonic()
        for number in range(args.count):
            seed_path = seeds[number % len(seeds)]
            with open(seed_path, "rb") as f:
                original = f.read()
            data, how = mutate(original, rng, ts=seed_path.endswith(".ts"))
            fmt = FORMATS[number % len(FORMATS)]
            if args.only is not None and number != args.only:
                continue
            name = f"{number:04d}-{os.path.basename(seed_path)}"
            path = os.path.join(work, name)
            with open(path, "wb") as f:
                f.write(data)
            out = os.path.join(work, f"out-{number:04d}")
            os.mkdir(out)
            label = f"#{number} {os.path.basename(seed_path)} ({how}) -> {fmt}"

            problems = []
            status, _ = run([args.cli, "--probe", path], args.timeout)
            runs += 1
            if (p := judge("probe", status)):
                problems.append(p)
            status, _ = run([args.cli, "-f", fmt, "-o", out, path], args.timeout)
            runs += 1
            if (p := judge("convert", status)):
                problems.append(p)
            outputs = sorted(os.listdir(out))
            if status == 1 and outputs:
                problems.append(f"leftover: failed conversion left {outputs}")
            if status == 0 and len(outputs) != 1:
                problems.append(f"leftover: successful conversion left {outputs}")
            if status == 0 and len(outputs) == 1 and packet_count(os.path.join(out, outputs[0])) == 0:
                problems.append(f"false success: {outputs[0]} holds no packet")
            for o in outputs:
                opath = os.path.join(out, o)
                size = os.path.getsize(opath)
                seconds = duration_of(opath)
                if size > MAX_OUTPUT_BYTES or seconds > MAX_OUTPUT_SECONDS:
                    problems.append(f"runaway: {o} holds {size} bytes, {seconds:.1f} s")
            if problems:
                findings.append((label, problems))
                print(f"FINDING {label}: {'; '.join(problems)}", flush=True)
                if args.keep:
                    os.makedirs(args.keep, exist_ok=True)
                    shutil.copy(path, args.keep)
            os.remove(path)
            shutil.rmtree(out)

        elapsed = time.monotonic() - started
        print(f"{args.count if args.only is None else 1} mutated files from {len(seeds)} seeds, {runs} runs "
              f"in {elapsed:.0f} s, seed {args.seed}: {len(findings)} finding(s)")
        return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
