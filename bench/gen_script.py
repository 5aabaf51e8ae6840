#!/usr/bin/env python3
"""Writes a synthetic Kestrix script of N steps, with everything needed to build it.

Into the output folder go:
  bench.kxs        the script: objects, positions, variables and texts in
                   proportion to N; routines of varied length; labels on many
                   steps; jumps forward and backward, across routines through
                   SetStep; repeated and distinct strings
  sample.conf      a template entry "bench" roomy enough for the script
  bench-blank.dll  the blank template file that entry describes
  bench.s          the same RoutineData as an assembler source: one .short
                   directive of five words per row, one label per labelled row,
                   label operands left for the assembler to resolve
  bench-plain.s    the same rows and labels as plain data: every word a
                   number, label operands already resolved

The words in bench.s are the ones kestrixc writes into RoutineData, so the
assembled data section and the built DLL's RoutineData can be compared byte
for byte. The output depends only on N and the seed.
"""

import argparse
import os
import random

# The operations the script uses: name -> code (as in the operation catalogue).
CODES = {
    "Wait": 2, "Add": 8, "Set": 15, "Mult": 115, "Display": 6, "Create": 1,
    "PlaceAt": 64, "GoTo": 16, "Attack": 4, "Audio": 32, "JumpTo": 27,
    "IfEQ": 12, "IfNE": 13, "IfLT": 10, "IfGT": 11, "SetStep": 31,
    "RunSpeed": 9, "RandJump": 87, "SetPos": 88, "OnNewObject": 120,
    "GetTime": 99, "Succeed": 19,
}

WEIGHTS = [
    ("Wait", 10), ("Add", 8), ("Set", 6), ("Mult", 3), ("Display", 6),
    ("Create", 6), ("PlaceAt", 6), ("GoTo", 6), ("Attack", 5), ("Audio", 4),
    ("JumpTo", 8), ("IfEQ", 4), ("IfNE", 3), ("IfLT", 4), ("IfGT", 3),
    ("SetStep", 4), ("RunSpeed", 3), ("RandJump", 2), ("SetPos", 3),
    ("OnNewObject", 2), ("GetTime", 3), ("Succeed", 1),
]

NAME_COLS = 32        # string operands: at most 31 characters
OBJECTIVE_COLS = 64   # texts: at most 63 characters
WORDS = ["alpha", "bravo", "convoy", "delta", "echo", "outpost", "raider",
         "tank", "scout", "bunker", "relay", "harbor", "ridge", "signal"]


def low16(value):
    return value & 0xFFFF


class LabelWord:
    """A label operand: an expression for the assembler, and the row it resolves to."""

    def __init__(self, expression, row):
        self.expression = expression
        self.row = row

    def __str__(self):
        return self.expression


def plain(word):
    """The word as a number: a label operand resolved to its row."""
    return str(low16(word.row)) if isinstance(word, LabelWord) else str(word)


class Routine:
    def __init__(self, index, length, rng, label_share):
        self.index = index
        self.name = "Task_%d" % index
        self.length = length
        # Labels: the first step always, many others, sometimes the halt row.
        self.labels = {}  # step number (length = the halt) -> list of label names
        for k in range(length):
            if k == 0 or rng.random() < label_share:
                self.labels[k] = ["at_%d" % k]
                if rng.random() < 0.02:
                    self.labels[k].insert(0, "again_%d" % k)
        if rng.random() < 0.1:
            self.labels[length] = ["done"]
        self.targets = [(k, names[-1]) for k, names in self.labels.items()]
        self.first_row = 0


class Generator:
    def __init__(self, steps, seed, max_routine_steps=120, label_share=0.35):
        self.steps = steps
        self.rng = random.Random(seed)
        rng = self.rng
        self.object_names = max(8, steps // 50)
        self.position_count = max(4, steps // 100)
        self.variable_count = max(4, steps // 100)
        self.text_count = max(2, steps // 200)
        self.string_pool = max(4, steps // 100)

        # Objects: most take one slot, some are arrays.
        self.object_slots = []
        slot = 0
        self.objects = []
        for i in range(self.object_names):
            count = rng.choice((2, 3, 4, 5)) if rng.random() < 0.1 else None
            self.objects.append(("unit_%d" % i, count))
            self.object_slots.append(slot)
            slot += count if count is not None else 1
        self.slot_count = slot

        # Routines of varied length, a few of them empty.
        self.routines = []
        left = steps
        while left > 0:
            length = 0 if self.rng.random() < 0.02 else min(left, rng.randint(1, max_routine_steps))
            self.routines.append(Routine(len(self.routines), length, rng, label_share))
            left -= length
        row = 0
        for routine in self.routines:
            routine.first_row = row
            row += routine.length + 1
        self.rows = row
        self.labelled = [r for r in self.routines if r.targets]

        # Strings: a few hot ones used again and again, the rest spread out.
        self.strings = []
        seen = set()
        while len(self.strings) < self.string_pool:
            text = "%s %s %d" % (rng.choice(WORDS), rng.choice(WORDS), len(self.strings))
            if text not in seen:
                seen.add(text)
                self.strings.append(text)
        self.string_index = {}  # text -> table index, in order of first use

    # Operands, each as (script text, word).

    def integer(self, low=-30000, high=30000):
        value = self.rng.randint(low, high)
        return str(value), low16(value)

    def variable(self):
        i = self.rng.randrange(self.variable_count)
        return "count_%d" % i, i

    def position(self):
        i = self.rng.randrange(self.position_count)
        return "spot_%d" % i, i

    def object(self):
        i = self.rng.randrange(self.object_names)
        return "unit_%d" % i, low16(self.object_slots[i])

    def text(self):
        i = self.rng.randrange(self.text_count)
        return "msg_%d" % i, i

    def string(self):
        if self.rng.random() < 0.5:
            text = self.strings[self.rng.randrange(min(10, len(self.strings)))]
        else:
            text = self.strings[self.rng.randrange(len(self.strings))]
        index = self.string_index.setdefault(text, len(self.string_index))
        return '"%s"' % text, low16(index)

    def label(self, routine):
        k, name = self.rng.choice(routine.targets)
        return name, LabelWord("((R%d_%s-RoutineData)/10)&0xFFFF" % (routine.index, name), routine.first_row + k)

    def routine_ref(self, routine):
        return routine.name, low16(routine.index)

    def step(self, routine):
        """One step of `routine`: (operation, operands as (text, word) pairs)."""
        rng = self.rng
        names = [name for name, _ in WEIGHTS]
        weights = [weight for _, weight in WEIGHTS]
        while True:
            op = rng.choices(names, weights)[0]
            if op in ("JumpTo", "IfEQ", "IfNE", "IfLT", "IfGT", "RandJump") and not routine.targets:
                continue
            if op == "SetStep" and not self.labelled:
                continue
            break
        if op == "Wait":
            return op, [self.integer(0, 10000)]
        if op in ("Add", "Mult"):
            operands = [self.variable(), self.integer()]
            if rng.random() < 0.5:
                operands.append(self.variable())
            else:
                operands.append((None, 0xFFFF))
            return op, operands
        if op == "Set":
            return op, [self.variable(), self.integer()]
        if op == "Display":
            color = rng.randrange(3)
            operands = [self.text(), (("white", "green", "red")[color], color)]
            extra = rng.randrange(3)
            for i in range(2):
                operands.append(self.variable() if i < extra else (None, 0xFFFF))
            return op, operands
        if op == "Create":
            return op, [self.object(), self.string(), self.integer(0, 20), self.position()]
        if op == "PlaceAt":
            return op, [self.object(), self.position()]
        if op == "GoTo":
            return op, [self.object(), self.string(), self.integer(0, 5)]
        if op == "Attack":
            return op, [self.object(), self.object(), self.integer(0, 5)]
        if op == "Audio":
            return op, [self.string()]
        if op == "JumpTo":
            return op, [self.label(routine)]
        if op in ("IfEQ", "IfNE"):
            if rng.random() < 0.3:
                flag = rng.randrange(2)
                first = (("false", "true")[flag], flag)
            else:
                first = self.integer(0, 30000)
            return op, [first, self.label(routine)]
        if op in ("IfLT", "IfGT"):
            return op, [self.integer(), self.label(routine)]
        if op == "SetStep":
            target = rng.choice(self.labelled)
            return op, [self.routine_ref(target), self.label(target)]
        if op == "RunSpeed":
            flag = rng.randrange(2)
            operands = [self.routine_ref(rng.choice(self.routines)), self.integer(0, 10),
                        (("false", "true")[flag], flag)]
            if rng.random() < 0.5:
                flag = rng.randrange(2)
                operands.append((("false", "true")[flag], flag))
            else:
                operands.append((None, 0))
            return op, operands
        if op == "RandJump":
            count = rng.randint(1, 4)
            return op, [self.label(routine) if i < count else (None, 0xFFFF) for i in range(4)]
        if op == "SetPos":
            return op, [self.position(), self.integer(), self.integer(), self.integer()]
        if op == "OnNewObject":
            if rng.random() < 0.5:
                return op, [("0", 0)]
            return op, [self.integer(1, 9), self.routine_ref(rng.choice(self.routines)), self.object()]
        if op == "GetTime":
            return op, []
        if op == "Succeed":
            return op, [self.integer(0, 100), self.string()]
        raise AssertionError(op)

    def write(self, folder):
        rng = self.rng
        script = open(os.path.join(folder, "bench.kxs"), "w", newline="\n")
        asm = open(os.path.join(folder, "bench.s"), "w", newline="\n")
        plain_asm = open(os.path.join(folder, "bench-plain.s"), "w", newline="\n")
        out = script.write
        out("// A synthetic mission of %d steps for the benchmark.\n\n[objects]\n" % self.steps)
        for name, count in self.objects:
            out("%s <%d>\n" % (name, count) if count is not None else name + "\n")
        out("\n[positions]\n")
        for i in range(self.position_count):
            out("spot_%d, %d, %d, %d\n" % (i, rng.randint(-5000, 5000), rng.randint(-200, 200),
                                       rng.randint(-5000, 5000)))
        out("\n[variables]\n")
        for i in range(self.variable_count):
            out("count_%d, %d\n" % (i, rng.randint(-1000, 1000)))
        out("\n[text]\n")
        for i in range(self.text_count):
            text = "%s %s %d" % (rng.choice(WORDS).capitalize(), rng.choice(WORDS), i)
            if rng.random() < 0.3:
                text += "\\nThen %s." % rng.choice(WORDS)
            out("msg_%d, \"%s\"\n" % (i, text))

        asm.write("# RoutineData of bench.kxs: five words per row.\n\t.data\nRoutineData:\n")
        plain_asm.write("# RoutineData of bench.kxs as plain data: five numbers per row.\n\t.data\nRoutineData:\n")
        for routine in self.routines:
            out("\n[routine, %s, %d, %s%s]\n" % (
                routine.name, rng.randint(-3, 10), rng.choice(("true", "false")),
                rng.choice(("", "", ", true", ", false"))))
            for k in range(routine.length + 1):
                labels = routine.labels.get(k, [])
                for name in labels:
                    asm.write("R%d_%s:\n" % (routine.index, name))
                    plain_asm.write("R%d_%s:\n" % (routine.index, name))
                if k == routine.length:
                    if labels:
                        out("".join("%s:\n" % name for name in labels))
                    asm.write("\t.short 0,0,0,0,0\n")
                    plain_asm.write("\t.short 0,0,0,0,0\n")
                    break
                op, operands = self.step(routine)
                line = op + "".join(", " + text for text, _ in operands if text is not None)
                if labels and rng.random() < 0.5:
                    out("".join("%s:\n" % name for name in labels) + "  " + line + "\n")
                elif labels:
                    out(" ".join("%s:" % name for name in labels) + "\t" + line + "\n")
                else:
                    out(("\t" if rng.random() < 0.2 else "  ") + line + "\n")
                if rng.random() < 0.03:
                    out("  // step %d of %s\n" % (k, routine.name))
                words = [CODES[op]] + [word for _, word in operands]
                words += [0] * (5 - len(words))
                asm.write("\t.short %s\n" % ",".join(str(word) for word in words))
                plain_asm.write("\t.short %s\n" % ",".join(plain(word) for word in words))
        script.close()
        asm.close()
        plain_asm.close()

    def write_template(self, folder):
        """The entry "bench" and its blank template, each array with some room to spare."""
        def roomy(count):
            return count + count // 16 + 16

        routine_rows = roomy(len(self.routines))
        arrays = [
            ("objective", roomy(self.text_count) * OBJECTIVE_COLS),
            ("name", roomy(self.string_pool) * NAME_COLS),
            ("integer", roomy(self.variable_count) * 2),
            ("position", roomy(self.position_count) * 12),
            ("routine debug", routine_rows),
            ("routine priority", routine_rows),
            ("routine offset", routine_rows * 2),
            ("routine speed", routine_rows * 2),
            ("routine count", 2),
            ("step data", roomy(self.rows) * 10),
        ]
        offsets = {}
        position = 0x400  # room for a file header
        for name, size in arrays:
            offsets[name] = position
            position = (position + size + 15) // 16 * 16
        size = position + 0x200
        conf = (
            "// The template entry of the benchmark script bench.kxs.\n"
            "template list {\n"
            "  template entry \"bench\" {\n"
            "    dll blank \"bench-blank.dll\";\n"
            "    max routine count %d;\n"
            "    max object count %d;\n"
            "    step data array offset 0x%X, rows %d;\n"
            "    routine count offset 0x%X;\n"
            "    position array offset 0x%X, rows %d;\n"
            "    name array offset 0x%X, rows %d, cols %d;\n"
            "    routine speed array offset 0x%X;\n"
            "    integer array offset 0x%X, rows %d;\n"
            "    routine priority array offset 0x%X;\n"
            "    routine offset array offset 0x%X;\n"
            "    objective array offset 0x%X, rows %d, cols %d;\n"
            "    routine debug array offset 0x%X;\n"
            "  }\n"
            "}\n") % (
                routine_rows, roomy(self.slot_count),
                offsets["step data"], roomy(self.rows),
                offsets["routine count"],
                offsets["position"], roomy(self.position_count),
                offsets["name"], roomy(self.string_pool), NAME_COLS,
                offsets["routine speed"],
                offsets["integer"], roomy(self.variable_count),
                offsets["routine priority"],
                offsets["routine offset"],
                offsets["objective"], roomy(self.text_count), OBJECTIVE_COLS,
                offsets["routine debug"])
        with open(os.path.join(folder, "sample.conf"), "w", newline="\n") as f:
            f.write(conf)
        # A recognisable filler, so that bytes the build must not touch stand out.
        with open(os.path.join(folder, "bench-blank.dll"), "wb") as f:
            f.write(b"\xCC" * size)
        return offsets["step data"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("steps", type=int, help="number of steps (the halts come on top)")
    parser.add_argument("folder", help="output folder (created when missing)")
    parser.add_argument("--seed", type=int, default=9)
    parser.add_argument("--max-routine-steps", type=int, default=120,
                        help="routines are 1 to this many steps long (a few are empty)")
    parser.add_argument("--label-share", type=float, default=0.35,
                        help="the share of steps with a label (the first step of a routine always has one)")
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)
    generator = Generator(args.steps, args.seed, args.max_routine_steps, args.label_share)
    generator.write(args.folder)
    offset = generator.write_template(args.folder)
    # What the runner needs to compare the outputs.
    with open(os.path.join(args.folder, "bench.info"), "w") as f:
        f.write("steps %d\nrows %d\nroutines %d\nstep_data_offset %d\n" % (
            args.steps, generator.rows, len(generator.routines), offset))


if __name__ == "__main__":
    main()
