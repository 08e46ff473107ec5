#!/usr/bin/python3
"""Checks that the build declares every picture of the default skin as an output of the
rule that draws it: a picture the build does not know of is neither drawn again when it
is deleted nor removed by a clean.

  check_default_skin_outputs.py NINJA BUILD_DIR SKIN_DIR

Reads the pictures that SKIN_DIR/Default.ini names (the five pictures of [PICTURES] and its
numbered active pictures) and asks Ninja which rule makes each of them.
"""
import configparser
import os
import subprocess
import sys


def pictures(ini_path):
    ini = configparser.ConfigParser(interpolation=None, strict=False)
    ini.optionxform = str.lower
    with open(ini_path, encoding="latin-1") as f:
        ini.read_file(f)
    section = ini["PICTURES"]
    names = [section.get(key, "") for key in
             ("picture", "inactivepicture", "mask", "rolluppicture", "rollupmask")]
    count = int(section.get("activepicturescount", "0"))
    names += [section.get(str(i), "") for i in range(count)]
    return [name for name in names if name]


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    ninja, build_dir, skin_dir = sys.argv[1:]
    names = pictures(os.path.join(skin_dir, "Default.ini"))
    if len(names) < 3:
        sys.exit("the default skin names only %d pictures" % len(names))
    undeclared = []
    for name in names:
        target = os.path.relpath(os.path.join(skin_dir, name), build_dir)
        query = subprocess.run([ninja, "-C", build_dir, "-t", "query", target],
                               capture_output=True, text=True)
        # A declared output has a rule with inputs; any other file is unknown to Ninja.
        if query.returncode != 0 or "input:" not in query.stdout:
            undeclared.append(target)
    if undeclared:
        sys.exit("pictures the build does not declare as outputs: " + ", ".join(undeclared))
    print("%d pictures declared" % len(names))


if __name__ == "__main__":
    main()
