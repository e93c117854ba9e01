#!/usr/bin/env python3
"""Builds the benchmark corpus: eight files of different kinds (about 64 MiB in all), a folder
of 1,600 small text files, and one large file for the memory measurement. Everything is made
from fixed seeds, so the same machine always gets the same bytes; the executables and shared
libraries are this machine's own."""
import hashlib
import os
import random
import sys

MIB = 1 << 20


def words():
    path = "/usr/share/dict/words"
    if os.path.exists(path):
        with open(path, encoding="utf-8", errors="replace") as f:
            found = [w.strip() for w in f if w.strip().isascii() and w.strip().isalpha()]
        if found:
            return found
    # No word list: pronounceable made-up words.
    rng = random.Random(11)
    syllables = ["ka", "ro", "mi", "tes", "an", "dor", "lu", "vin", "se", "pra", "tho", "gel"]
    return ["".join(rng.choice(syllables) for _ in range(rng.randint(1, 4))) for _ in range(50000)]


def shuffled_words(size, rng, vocabulary):
    out = []
    total = 0
    while total < size:
        w = rng.choice(vocabulary)
        out.append(w)
        total += len(w) + 1
    return ("\n".join(out)).encode()[:size]


def documents(size, rng, vocabulary):
    common = vocabulary[:3000]
    parts = []
    total = 0
    chapter = 0
    while total < size:
        chapter += 1
        lines = [f"Chapter {chapter}: {' '.join(rng.choice(common).capitalize() for _ in range(3))}", ""]
        for _ in range(rng.randint(5, 15)):
            sentences = []
            for _ in range(rng.randint(3, 8)):
                n = rng.randint(6, 20)
                s = " ".join(rng.choice(common) for _ in range(n))
                sentences.append(s[0].upper() + s[1:] + rng.choice([".", ".", ".", "?", "!"]))
            lines.append(" ".join(sentences))
            lines.append("")
        text = "\n".join(lines) + "\n"
        parts.append(text)
        total += len(text)
    return "".join(parts).encode()[:size]


def server_log(size, rng):
    paths = ["/", "/index.html", "/rules/ts.ini", "/download/InstallQuorin.exe", "/api/v1/sets",
             "/img/logo.png", "/forum/thread", "/css/site.css", "/js/app.js", "/favicon.ico"]
    agents = ["Mozilla/5.0 (Windows NT 10.0; Win64; x64)", "Mozilla/5.0 (X11; Linux x86_64)",
              "curl/7.88.1", "Wget/1.21.3", "Googlebot/2.1"]
    out = []
    total = 0
    t = 1700000000
    while total < size:
        t += rng.randint(0, 3)
        ip = f"{rng.randint(1, 223)}.{rng.randint(0, 255)}.{rng.randint(0, 255)}.{rng.randint(1, 254)}"
        path = rng.choice(paths)
        if rng.random() < 0.3:
            path += f"?id={rng.randint(1, 99999)}"
        status = rng.choice([200] * 20 + [304, 404, 500, 301])
        line = (f'{ip} - - [{t}] "GET {path} HTTP/1.1" {status} {rng.randint(0, 500000)} '
                f'"-" "{rng.choice(agents)}"\n')
        out.append(line)
        total += len(line)
    return "".join(out).encode()[:size]


def concatenated(folder, size, suffixes):
    """The regular files below folder, in name order, up to size bytes."""
    out = bytearray()
    for top, dirs, names in os.walk(folder):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(top, name)
            if len(out) >= size:
                return bytes(out)
            if not os.path.isfile(path) or os.path.islink(path):
                continue
            if suffixes and not any(s in name for s in suffixes):
                continue
            with open(path, "rb") as f:
                out += f.read(size - len(out))
    return bytes(out)


def bitmap(width, height):
    header_size = 54
    row = width * 3
    data = bytearray(row * height)
    for y in range(height):
        base = y * row
        for x in range(width):
            inside = (x // 64 + y // 64) % 2 == 0
            r = (x * 255) // width
            g = (y * 255) // height
            b = 200 if inside else 40
            if (x - width // 2) ** 2 + (y - height // 2) ** 2 < (height // 3) ** 2:
                r, g, b = 250, 220, 30
            data[base + 3 * x:base + 3 * x + 3] = bytes((b, g, r))
    size = header_size + len(data)
    header = (b"BM" + size.to_bytes(4, "little") + bytes(4) + header_size.to_bytes(4, "little") +
              (40).to_bytes(4, "little") + width.to_bytes(4, "little") +
              height.to_bytes(4, "little") + (1).to_bytes(2, "little") +
              (24).to_bytes(2, "little") + bytes(24))
    return header + bytes(data)


def pseudo_random(size, seed):
    out = bytearray()
    counter = 0
    while len(out) < size:
        out += hashlib.sha256(seed + counter.to_bytes(8, "little")).digest()
        counter += 1
    return bytes(out[:size])


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    root = sys.argv[1]
    big_mib = int(sys.argv[2]) if len(sys.argv) > 2 else 256
    files = os.path.join(root, "files")
    small = os.path.join(root, "small")
    large = os.path.join(root, "large")
    for d in (files, small, large):
        os.makedirs(d, exist_ok=True)
    vocabulary = words()
    rng = random.Random(2026)
    write(os.path.join(files, "words.txt"), shuffled_words(8 * MIB, rng, vocabulary))
    write(os.path.join(files, "documents.txt"), documents(8 * MIB, rng, vocabulary))
    write(os.path.join(files, "access.log"), server_log(8 * MIB, rng))
    write(os.path.join(files, "programs.bin"), concatenated("/usr/bin", 8 * MIB, None))
    write(os.path.join(files, "libraries.bin"),
          concatenated("/usr/lib/x86_64-linux-gnu", 8 * MIB, [".so"]))
    write(os.path.join(files, "headers.h"), concatenated("/usr/include", 8 * MIB, [".h"]))
    write(os.path.join(files, "picture.bmp"), bitmap(1536, 1820))
    write(os.path.join(files, "random.bin"), pseudo_random(8 * MIB, b"zlb-bench"))
    for i in range(1600):
        write(os.path.join(small, f"note{i:04d}.txt"), documents(20000, rng, vocabulary))
    # One large member: text and incompressible bytes in turn.
    with open(os.path.join(large, "large.bin"), "wb") as f:
        chunk_text = documents(4 * MIB, rng, vocabulary)
        chunk_random = pseudo_random(4 * MIB, b"large")
        for i in range(big_mib // 8):
            f.write(chunk_text)
            f.write(chunk_random)


if __name__ == "__main__":
    main()
