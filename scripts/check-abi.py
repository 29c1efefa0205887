#!/usr/bin/env python3
"""check-abi.py OBJDUMP DLL HEADER: the calling convention of a 32-bit DLL's
exports, read from its machine code. Every export must return with a plain
`ret` (cdecl: the caller pops the arguments; a `ret N` pops them a second
time and wrecks the caller's stack), and must leave exactly one value on the
x87 stack when it returns a double (the 32-bit convention returns doubles in
st(0)) and none otherwise (a value left behind overflows the caller's x87
stack after eight calls).

The code is followed from each export's address through direct jumps, both
arms of conditional jumps, jump tables and tail jumps, counting the x87
stack's depth; a direct call adds what the callee leaves (found the same
way), an indirect call (a COM method, an import) leaves nothing. Which
exports return a double is read from the header's declarations."""
import re
import subprocess
import sys

PUSH = re.compile(r'^(fld[sltz1]?|fldpi|fldl2e|fldl2t|fldlg2|fldln2|fild[slq]?|fildll)$')
POP1 = re.compile(r'^(fstp[slt]?|fistp[sl]?|fistpll|fisttp[sl]?|fisttpll|fcomp[sl]?|fucomp|fcomip|fucomip|'
                  r'ficomp[sl]?|f(add|sub|subr|mul|div|divr)p)$')
POP2 = re.compile(r'^(fcompp|fucompp)$')
LINE = re.compile(r'^\s*([0-9a-f]+):\s+(\S+)\s*(.*)$')
SYMBOL = re.compile(r'^([0-9a-f]+) <([^>]+)>:$')
TARGET = re.compile(r'^([0-9a-f]+)(?: <[^>]*>)?$')
TABLE = re.compile(r'^\*0x([0-9a-f]+)\(,%(e[a-z]+),4\)$')


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


class Image:
    def __init__(self, objdump, dll):
        self.code = {}      # address -> (mnemonic, operands, next address)
        self.symbols = {}   # name -> address
        last = None
        for line in run(objdump, '-d', '--no-show-raw-insn', dll).splitlines():
            m = SYMBOL.match(line)
            if m:
                self.symbols[m.group(2)] = int(m.group(1), 16)
                last = None
                continue
            m = LINE.match(line)
            if not m:
                continue
            address = int(m.group(1), 16)
            if last is not None:
                mnemonic, operands, _ = self.code[last]
                self.code[last] = (mnemonic, operands, address)
            self.code[address] = (m.group(2), m.group(3).split('#')[0].strip(), None)
            last = address
        self.sections = []  # (address, size, file offset)
        for line in run(objdump, '-h', dll).splitlines():
            f = line.split()
            if len(f) >= 6 and f[0].isdigit():
                self.sections.append((int(f[3], 16), int(f[2], 16), int(f[5], 16)))
        with open(dll, 'rb') as file:
            self.data = file.read()
        self.returns = {}

    def word(self, address):
        for start, size, offset in self.sections:
            if start <= address < start + size:
                at = offset + address - start
                return int.from_bytes(self.data[at:at + 4], 'little')
        return None

    def table(self, at, base):
        """The targets of a jump table: entries are read while they point at
        instructions that belong to the jumping code's neighbourhood."""
        targets = []
        while True:
            target = self.word(base + 4 * len(targets))
            if target is None or target not in self.code or abs(target - at) > 0x10000:
                return targets
            targets.append(target)

    def walk(self, entry, stack=()):
        """Every return reachable from ENTRY: (address, mnemonic, operands,
        x87 depth), and the problems met on the way."""
        seen, rets, problems = set(), [], []
        work = [(entry, 0)]
        while work:
            address, depth = work.pop()
            if (address, depth) in seen:
                continue
            seen.add((address, depth))
            if address not in self.code:
                problems.append(f'code at {address:#x} is not in the disassembly')
                continue
            mnemonic, operands, following = self.code[address]
            if mnemonic.startswith('ret'):
                rets.append((address, mnemonic, operands, depth))
                continue
            if PUSH.match(mnemonic):
                depth += 1
            elif POP2.match(mnemonic):
                depth -= 2
            elif POP1.match(mnemonic):
                depth -= 1
            if depth < 0 or depth > 8:
                problems.append(f'the x87 stack reaches depth {depth} at {address:#x} ({mnemonic})')
                continue
            target = TARGET.match(operands)
            if mnemonic.startswith('call'):
                if target:
                    depth += self.leaves(int(target.group(1), 16), stack + (entry,))
            elif mnemonic.startswith('jmp'):
                if target:
                    work.append((int(target.group(1), 16), depth))
                elif TABLE.match(operands):
                    targets = self.table(address, int(TABLE.match(operands).group(1), 16))
                    if not targets:
                        problems.append(f'the jump table at {address:#x} could not be read')
                    work.extend((t, depth) for t in targets)
                else:
                    problems.append(f'an indirect jump at {address:#x} ({mnemonic} {operands}) cannot be followed')
                continue
            elif mnemonic.startswith('j') and target:
                work.append((int(target.group(1), 16), depth))
            elif mnemonic in ('ud2', 'hlt'):
                continue
            if following is None:
                problems.append(f'the code runs off the end of the disassembly at {address:#x}')
                continue
            work.append((following, depth))
        return rets, problems

    def leaves(self, function, stack):
        """What a called function leaves on the x87 stack (0 when unknown or
        when the call recurses)."""
        if function in stack:
            return 0
        if function not in self.returns:
            rets, _ = self.walk(function, stack)
            depths = {depth for *_, depth in rets}
            self.returns[function] = depths.pop() if len(depths) == 1 else 0
        return self.returns[function]


def main():
    objdump, dll, header = sys.argv[1:4]
    declared = open(header, encoding='utf-8').read()
    doubles = set(re.findall(r'\bdouble\s+(?:OMBRIX_CALL\s+)?(\w+)\s*\(', declared))
    # The export tables: the name table gives each name's index in the
    # address table, which gives its code's address relative to the image.
    listing = run(objdump, '-p', dll)
    base = int(re.search(r'^ImageBase\s+([0-9a-fA-F]+)', listing, re.M).group(1), 16)
    rvas, exports = {}, {}
    part = None
    for line in listing.splitlines():
        if line.startswith('Export Address Table --'):
            part = 'rva'
        elif line.startswith('[Ordinal/Name Pointer] Table'):
            part = 'name'
        elif not line.strip():
            part = None
        elif part == 'rva':
            m = re.match(r'\s*\[\s*(\d+)\]\s+\+base\[\s*\d+\]\s+([0-9a-f]+)', line)
            if m:
                rvas[int(m.group(1))] = int(m.group(2), 16)
        elif part == 'name':
            m = re.match(r'\s*\[\s*(\d+)\]\s+(\S+)', line)
            if m:
                exports[m.group(2)] = base + rvas[int(m.group(1))]
    image = Image(objdump, dll)
    failures = 0
    for name, address in exports.items():
        want = 1 if name in doubles else 0
        rets, problems = image.walk(address)
        if not rets:
            problems.append('no return was found')
        for at, mnemonic, operands, depth in rets:
            if operands:
                problems.append(f'returns with "{mnemonic} {operands}" at {at:#x}: the callee pops its arguments')
            if depth != want:
                problems.append(f'returns with {depth} value(s) on the x87 stack at {at:#x}, not {want}')
        for problem in dict.fromkeys(problems):
            print(f'{name}: {problem}')
        failures += bool(problems)
    print(f'exports: {len(exports)}, of which {len(doubles & set(exports))} return a double in st(0); '
          f'{failures} break the cdecl convention')
    return 1 if failures or not exports else 0


if __name__ == '__main__':
    sys.exit(main())
