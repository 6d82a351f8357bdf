#!/usr/bin/env python3
# Writes the golden index files in golden/ from small work files, straight
# from the file layouts (independently of the C++ code under test).
# Run it from this folder: python3 make_golden.py
import struct, os

SLOTS = 46664

def digit(c):
    if '0' <= c <= '9': return ord(c) - 48
    if 'A' <= c <= 'Z': return ord(c) - 55
    return -1

def keys(word):
    if digit(word[0]) < 0: return [46656, None, None]
    out, k = [], 0
    for i in range(3):
        if i < len(word) and digit(word[i]) >= 0 and all(digit(x) >= 0 for x in word[:i+1]):
            k = k * 36 + digit(word[i]); out.append(k)
        else:
            out.append(None)
    return out

def quicksort(recs, L, R):
    # The work file sort: middle pivot, recursion into the left part, loop
    # over the right part, comparing the 27-byte word fields.
    while True:
        I, J = L, R
        P = recs[(L + R) // 2][:27]
        while True:
            while recs[I][:27] < P: I += 1
            while recs[J][:27] > P: J -= 1
            if I <= J:
                recs[I], recs[J] = recs[J], recs[I]
                I += 1; J -= 1
            if I > J: break
        if L < J: quicksort(recs, L, J)
        L = I
        if I >= R: break

def build(name, entries, dump):
    # entries: the work file as the parser writes it, sorted here the way
    # the indexer sorts it; postings follow the sorted order.
    recs = [('%-27.27s:%05d\r\n' % (w, d)).encode('latin-1') for w, d in entries]
    with open(os.path.join('golden', name + '.temp'), 'wb') as f: f.write(b''.join(recs))
    if recs: quicksort(recs, 0, len(recs) - 1)
    with open(os.path.join('golden', name + '.sorted.temp'), 'wb') as f: f.write(b''.join(recs))
    entries = [(r[:27].decode('latin-1').rstrip(), int(r[28:33])) for r in recs]
    words = sorted({w for w, _ in entries})
    dct, ndx, lst = b'', b'', b''
    slots = [0xFFFF] * SLOTS
    pos = 0
    remembered = [None, None, None]
    for r, w in enumerate(words):
        docs = [d for x, d in entries if x == w]
        dct += bytes([27]) + w.ljust(27).encode('latin-1') + struct.pack('<i', pos)
        ndx += struct.pack('<H', len(docs)) + b''.join(struct.pack('<H', d) for d in docs)
        pos += len(docs) + 1
        lst += ('%05d : %-27s\r\n' % (len(docs), w)).encode('latin-1')
        for L, k in enumerate(keys(w)):
            if k is not None and k != remembered[L]:
                slots[k] = r % 65500
                remembered[L] = k
    files = {'.dct': dct, '.ndx': ndx, '.hsh': b''.join(struct.pack('<H', s) for s in slots)}
    if dump: files['.lst'] = lst
    for ext, data in files.items():
        with open(os.path.join('golden', name + ext), 'wb') as f: f.write(data)

os.makedirs('golden', exist_ok=True)
build('hello', [('HELLO', 1)], False)
build('ab-b', [('AB', 1), ('B', 1)], False)
build('hello-world', [('HELLO', 1), ('HELLO', 2), ('WORLD', 2)], True)
build('unsorted', [('ZEBRA', 1), ('APPLE', 1), ('ZEBRA', 2), ('0A', 2), ('A', 3), ('\xc9T\xc9', 3), ('MANGO', 3), ('APPLE', 3), ('A_B', 4), ('9', 4)], True)
build('empty', [], False)
# The table of contents of one document "hello.txt" holding HELLO, listed
# with the title "Hello page" and the URL "http://example.com/hello.txt".
with open(os.path.join('golden', 'hello.toc'), 'wb') as f:
    f.write(('%-255.255s%-100.100s\r\n' % ('http://example.com/hello.txt', 'Hello page')).encode('latin-1'))
