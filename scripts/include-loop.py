#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The files that include one another in a loop through the main window
# (app/pribor.h). A header reaches the .cpp files that define its class's
# members, so the window's handler files count as part of it.
# Usage: scripts/include-loop.py [checkout]
import os, re, sys
root = sys.argv[1] if len(sys.argv) > 1 else '.'
src = os.path.join(root, 'src')
files = []
for d, _, fs in os.walk(src):
    for f in fs:
        if f.endswith(('.h', '.cpp')):
            files.append(os.path.relpath(os.path.join(d, f), src))
fileset = set(files)
edges = {f: set() for f in files}
text = {}
for f in files:
    t = open(os.path.join(src, f), encoding='utf-8').read()
    text[f] = t
    for m in re.finditer(r'^\s*#\s*include\s+"([^"]+)"', t, re.M):
        if m.group(1) in fileset:
            edges[f].add(m.group(1))
# A header stands for its class: it reaches the files that define the class's members.
classes = {}
for f in files:
    if f.endswith('.h'):
        for m in re.finditer(r'^(?:class|struct)\s+(\w+)\s*(?::[^{;]*)?\{', text[f], re.M):
            classes.setdefault(m.group(1), f)
for f in files:
    if f.endswith('.cpp'):
        base = f[:-4] + '.h'
        if base in fileset:
            edges[base].add(f)
        for cls, h in classes.items():
            if re.search(r'^[A-Za-z][^;=(]*\b' + cls + r'::~?\w+\s*\(', text[f], re.M) and h != f:
                edges[h].add(f)
# Tarjan
sys.setrecursionlimit(10000)
index = {}; low = {}; stack = []; on = set(); comps = []; c = [0]
def sc(v):
    index[v] = low[v] = c[0]; c[0] += 1; stack.append(v); on.add(v)
    for w in edges[v]:
        if w not in index:
            sc(w); low[v] = min(low[v], low[w])
        elif w in on:
            low[v] = min(low[v], index[w])
    if low[v] == index[v]:
        comp = []
        while True:
            w = stack.pop(); on.discard(w); comp.append(w)
            if w == v: break
        comps.append(comp)
for v in files:
    if v not in index: sc(v)
for comp in comps:
    if 'app/pribor.h' in comp:
        print(len(comp))
        for f in sorted(comp): print('  ', f)
