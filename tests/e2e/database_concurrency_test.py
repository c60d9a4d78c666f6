#!/usr/bin/env python3
"""Several programs storing into one database at once: four KAL.exe under Wine, started together, each store 200
records of two fields (which program, which round) into the same database. Every record must come out whole,
numbered 1 to 800 without a gap or a repeat, and hold the fields its program stored. Meanwhile kalbd replaces the
database's structure with the same one again and again (--reemplazar), as a person may while programs store:
every program still reads a whole structure.

Usage: database_concurrency_test.py --exe KAL.exe --kalbd kalbd [--programs 4] [--records 200]
"""
import argparse
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from wine_session import WineSession  # noqa: E402

RECORD = struct.Struct("<ic31shhqhi")  # field id, character, name, type, maximum, record number, extra, last


def script(who, records):
    lines = [".codigo;", "[datos];", f"&quien := ~{who};", "&i := 0;", f"&n := {records};", ":alta;",
             "&i := &i + 1;", "&l := &vacio;", "&l := %METER &quien;", "&l := %METER &i;",
             "&r := %INSERTAR &l;", ".mer &i &n;", ".saltaruno :alta;", ".fin;"]
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")


def stored_records(data):
    """The data file's records in file order: (record number, {field: value}), or a list of faults."""
    faults = []
    if len(data) % RECORD.size:
        faults.append(f"the data file is {len(data)} bytes, no whole number of records")
    records = []
    value = b""
    for at in range(0, len(data) - len(data) % RECORD.size, RECORD.size):
        _, character, name, _, _, number, _, last = RECORD.unpack_from(data, at)
        name = name.split(b"\0")[0].decode("cp1252")
        if not records or records[-1][0] != number:
            if value:
                faults.append(f"record {records[-1][0]}: a value without its last character")
            records.append((number, {}))
        value += character
        if last == 1:
            fields = records[-1][1]
            if name in fields:
                faults.append(f"record {number}: field {name} stored twice")
            fields[name] = value.decode("cp1252")
            value = b""
    return records, faults


def check(records, programs, rounds):
    faults = []
    numbers = [n for n, _ in records]
    if numbers != list(range(1, programs * rounds + 1)):
        faults.append(f"{len(numbers)} records, numbered {sorted(set(numbers))[:5]}...; "
                      f"{len(numbers) - len(set(numbers))} numbers repeated")
    stored = sorted((f.get("quien", "?"), int(f.get("ronda", "0"))) for _, f in records)
    want = sorted((chr(ord("A") + p), r) for p in range(programs) for r in range(1, rounds + 1))
    if stored != want:
        faults.append("the records do not hold each program's rounds once each")
    return faults


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True, type=Path)
    ap.add_argument("--kalbd", required=True, type=Path)
    ap.add_argument("--programs", type=int, default=4)
    ap.add_argument("--records", type=int, default=200)
    opts = ap.parse_args()

    work = Path(tempfile.mkdtemp(prefix="kal-concurrency-"))
    folder = work / "programa"
    folder.mkdir()
    shutil.copy(opts.exe, folder / "KAL.exe")
    (work / "datos.campos").write_text("quien 3 1\nronda 1 3\n", encoding="utf-8")
    subprocess.run([str(opts.kalbd.resolve()), "crear", str(folder), "datos", str(work / "datos.campos")],
                   check=True)
    names = []
    for p in range(opts.programs):
        names.append(f"programa{p + 1}.txt")
        (folder / names[-1]).write_bytes(script(chr(ord("A") + p), opts.records))
    session = WineSession(work)
    try:
        # Started together, so that their stores overlap; none shows a window.
        running = [subprocess.Popen(["wine", "./KAL.exe", name], cwd=folder, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL) for name in names]
        replaced = 0
        while any(process.poll() is None for process in running):
            subprocess.run([str(opts.kalbd.resolve()), "crear", str(folder), "datos", str(work / "datos.campos"),
                            "--reemplazar"], check=True, stdout=subprocess.DEVNULL)
            replaced += 1
        for process in running:
            process.wait(timeout=600)
        records, faults = stored_records((folder / "datos" / "datos.zbd").read_bytes())
        faults += check(records, opts.programs, opts.records)
        if replaced == 0:
            faults.append("the structure was never replaced while the programs stored")
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)
    for fault in faults:
        print("FAIL " + fault)
    total = opts.programs * opts.records
    print(f"{opts.programs} programs storing {opts.records} records each: "
          + ("ok" if not faults else f"{len(faults)} faults") + f" ({len(records)} of {total} records)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
