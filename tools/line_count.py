#!/usr/bin/env python3
"""Counts the lines of code and of tests that are neither blank nor only a
comment: code in the product's folders, tests in tests/ and the fuzz
targets' sources. With -v, every test file's count, largest first."""
import os
import sys
os.chdir(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
def count(path):
    n=0
    ext=os.path.splitext(path)[1]
    inblock=False
    for line in open(path,errors='replace'):
        s=line.strip()
        if not s: continue
        if ext in ('.sh',) or path.endswith('CMakeLists.txt'):
            if s.startswith('#'): continue
            n+=1; continue
        if inblock:
            if '*/' in s:
                inblock=False
                rest=s.split('*/',1)[1].strip()
                if rest: n+=1
            continue
        if s.startswith('//'): continue
        if s.startswith('/*'):
            if '*/' not in s: inblock=True; continue
            if s.endswith('*/'): continue
        n+=1
    return n
def tree(d, exts=('.cpp','.h','.sh')):
    t=0; per={}
    for root,_,files in os.walk(d):
        for f in files:
            if f.endswith(exts):
                p=os.path.join(root,f); c=count(p); t+=c; per[p]=c
    return t,per
code=0
for d in ['engine','patterns','platform','app','editor','ui','diff','preview']:
    c,_=tree(d); print(d,c); code+=c
tests,per=tree('tests'); fz,fper=tree('fuzz')
five=sum(tree(d)[0] for d in ['engine','patterns','platform','app','editor'])
print('code',code,'(engine, patterns, platform, app, editor:',five,') tests',tests,'fuzz',fz)
print('tests / code: %.3f (%.3f of the five folders)' % ((tests+fz)/code, (tests+fz)/five))
if '-v' in sys.argv[1:]:
  for p,c in sorted({**per,**fper}.items(), key=lambda x:-x[1]):  print(c,p)
