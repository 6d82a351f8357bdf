#!/usr/bin/env python3
# Writes 25 generated HTML pages of about 6.6 MB each (about 45,000 distinct
# words per page, a million word entries in one 25-document chunk) and a file
# list for them: the indexing benchmark's case of very large documents.
# Usage: bench/make-large-pages.py FOLDER   (then tarvo-index --filelist FOLDER/filelist.txt)
import os
import random
import sys

folder = sys.argv[1] if len(sys.argv) > 1 else "/tmp/tarvo-bench-large"
os.makedirs(os.path.join(folder, "docs"), exist_ok=True)
rng = random.Random(7)
letters = "abcdefghijklmnopqrstuvwxyzabcdeeeiiooaauu"
vocabulary = ["".join(rng.choice(letters) for _ in range(rng.randint(2, 11))) for _ in range(50000)]
for page in range(25):
    parts = ["<HTML><HEAD><TITLE>Huge page %d</TITLE></HEAD><BODY>\r\n" % page]
    size = 0
    while size < 6_600_000:
        words = (vocabulary[min(int(rng.paretovariate(0.6)), 49999)] if rng.random() < 0.5 else rng.choice(vocabulary)
                 for _ in range(12))
        line = " ".join(words) + "\r\n"
        parts.append(line)
        size += len(line)
    parts.append("</BODY></HTML>\r\n")
    with open(os.path.join(folder, "docs", "page%02d.htm" % page), "w") as out:
        out.write("".join(parts))
with open(os.path.join(folder, "filelist.txt"), "w") as out:
    out.write("docs/*.htm\r\n")
