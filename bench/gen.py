"""Makes the benchmark inputs: settings files, a log, a folder tree.
   python3 gen.py tree ROOT FOLDERS FILES_PER_FOLDER"""
import os
import random
import sys


def make_ini(path, sections, keys):
    rnd = random.Random(7)
    with open(path, "wb") as f:
        f.write(b"[INI_SELF]\r\nMODIFIED_TIME=07.12.2026 14:05:09\r\n\r\n")
        for s in range(sections):
            f.write(f"[Seksjon_{s}]\r\n".encode("cp1252"))
            for k in range(keys):
                f.write(f"Nøkkel_{k}=Verdi æøå {s * keys + k} {'x' * rnd.randint(0, 24)}\r\n".encode("cp1252"))
            f.write(b"\r\n")


def make_log(path, lines):
    with open(path, "wb") as f:
        for i in range(lines):
            f.write(f"07.12.2026 14:05:09 Sletter /home/bruker/.local/share/Veltrona/tmp/mappe_{i // 100}/fil_æøå_{i:07d}.tmp\r\n".encode("cp1252"))


def make_tree(root, folders, files_per_folder):
    for d in range(folders):
        p = os.path.join(root, f"mappe{d:04d}")
        os.makedirs(p, exist_ok=True)
        for i in range(files_per_folder):
            with open(os.path.join(p, f"fil{i:03d}.tmp"), "wb") as f:
                f.write(b"x")


if __name__ == "__main__" and len(sys.argv) == 5 and sys.argv[1] == "tree":
    make_tree(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
