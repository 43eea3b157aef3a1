#!/usr/bin/python3
"""Checks README.md and docs/*.md below ROOT: every relative link and image path names a file
or folder that exists, and every `orva COMMAND` in a fenced code block is a command the
batch tool declares (orva --declarations). Prints one line per fault, FILE:LINE: what is
wrong, and exits with 1 if there was any."""
import pathlib
import re
import subprocess
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
INLINE_CODE = re.compile(r"`[^`]*`")
# "orva" as a word of its own, not "orva-toolbox", "orva.read" or "orva_cli", then a word.
COMMAND = re.compile(r"(?<![\w.-])orva[ \t]+([A-Za-z][\w-]*)(?:[ \t]+([A-Za-z][\w-]*))?")


def declared_commands(orva):
    out = subprocess.run([orva, "--declarations"], check=True, capture_output=True, text=True).stdout
    return {line.split("\t", 1)[0] for line in out.splitlines() if line.strip()}


def check(path, root, commands, named):
    faults = []
    in_fence = False
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), start=1):
        where = f"{path.relative_to(root).as_posix()}:{number}"
        if line.lstrip().startswith("```"):
            in_fence = not in_fence
            continue
        if in_fence:
            for match in COMMAND.finditer(line):
                name, argument = match.group(1), match.group(2)
                if name == "help":
                    name = argument
                if name is None:
                    continue
                named.append(name)
                if name not in commands:
                    faults.append(f"{where}: unknown command 'orva {name}'")
            continue
        for match in LINK.finditer(INLINE_CODE.sub("", line)):
            target = match.group(1)
            if re.match(r"^[a-z][a-z0-9+.-]*:", target) or target.startswith("#"):
                continue  # a web address, mail address or an anchor of this page
            file_part = target.split("#", 1)[0]
            if not (path.parent / file_part).exists():
                faults.append(f"{where}: '{target}' does not exist")
    return faults


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_docs.py ROOT ORVA")
    root = pathlib.Path(sys.argv[1]).resolve()
    commands = declared_commands(sys.argv[2])
    pages = [root / "README.md"] + sorted((root / "docs").glob("*.md"))
    named = []
    faults = [fault for page in pages if page.exists() for fault in check(page, root, commands, named)]
    for fault in faults:
        print(fault)
    print(f"{len(pages)} pages, {len(named)} commands in code blocks, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
