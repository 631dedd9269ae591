#!/usr/bin/env python3
# Lists the functions of a source tree longer than a number of lines (a rough brace count):
#   python3 scripts/long-functions.py src 80
import re,sys,os
# crude: find lines that end with '{' at column 0-level (function definitions at namespace scope), count until matching brace
def scan(path):
    lines=open(path).read().split('\n')
    depth=0; start=None; name=None; out=[]
    for i,l in enumerate(lines):
        code=re.sub(r'//.*','',l)
        code=re.sub(r'"(\\.|[^"\\])*"','""',code)
        if depth==0 and '{' in code and re.search(r'\)\s*(const)?\s*(override)?\s*(noexcept)?\s*(:.*)?\{\s*$',code) :
            start=i; name=l.strip()
        elif depth==0 and '{' in code and start is None and re.match(r'^[A-Za-z].*\)\s*:\s*',code):
            start=i; name=l.strip()
        opens=code.count('{'); closes=code.count('}')
        if depth==0 and start is None and opens>0 and re.search(r'\)\s*(const)?\s*(override)?\s*\{',code):
            start=i;name=l.strip()
        depth+=opens-closes
        if depth==0 and start is not None and (opens or closes):
            n=i-start+1
            out.append((n,start+1,name))
            start=None
    return out
res=[]
for root,_,files in os.walk(sys.argv[1]):
    for f in files:
        if f.endswith('.cpp') or f.endswith('.h'):
            p=os.path.join(root,f)
            for n,ln,name in scan(p):
                if n>int(sys.argv[2]): res.append((n,p,ln,name[:70]))
for r in sorted(res,reverse=True): print(*r)
