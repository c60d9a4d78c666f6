#!/usr/bin/env python3
"""Checks kalbd: a database made from a description has the structure records it describes, and its records
list as CSV in UTF-8 or Windows-1252. The example database kept in examples/ is exactly what its description
makes, so the command written beside it recreates it.

With --wine, kalbd.exe under Wine makes the same example database and says its refusals in the same UTF-8.
Both name an accented database as the system names files, and refuse links inside the root, which could lead a
write out of it, leaving everything as it was.

Usage: kalbd_test.py KALBD [--wine KALBD.EXE --prefix DIR]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

import report


def data_record(field_id, char, name, field_type, max_length, number, last):
    """One 54-byte character record, laid out field by field."""
    return (field_id.to_bytes(4, "little") + char.encode("cp1252") + name.encode("cp1252").ljust(31, b"\0") +
            field_type.to_bytes(2, "little") + max_length.to_bytes(2, "little") + number.to_bytes(8, "little") +
            b"\0\0" + last.to_bytes(4, "little"))


def value(field_id, name, field_type, max_length, number, text):
    return b"".join(data_record(field_id, c, name, field_type, max_length, number, int(i == len(text) - 1))
                    for i, c in enumerate(text))


def names_and_links(command, env, failures, who):
    """An accented name is the folder and files of that name; a link at the database's folder or one of its files
    is refused (exit 1), with the file it leads to and the root as they were."""
    with tempfile.TemporaryDirectory() as tmp:
        root, outside = Path(tmp) / "raiz", Path(tmp) / "fuera"
        root.mkdir()
        outside.mkdir()
        (Path(tmp) / "d.txt").write_text("nombre 3 20\n", "utf-8")
        run = lambda *args: subprocess.run([*command, *args], env=env, capture_output=True, timeout=300)
        made = run("crear", str(root), "año", str(Path(tmp) / "d.txt"))
        if made.returncode != 0 or sorted(p.name for p in (root / "año").iterdir()) != ["año.z04", "año.zbd"]:
            failures.append(f"{who}: an accented database: exit {made.returncode}, {made.stderr!r}, "
                            f"{sorted(str(p.relative_to(root)) for p in root.rglob('*'))}")
        if run("listar", str(root), "año").stdout != b"registro,nombre\r\n":
            failures.append(f"{who}: the accented database does not list")
        (outside / "precioso.txt").write_text("lo que guarda otro programa", "utf-8")
        links = (("the database's folder", "enlazada", [("enlazada", outside)]),
                 ("its structure", "estructura", [("estructura", None), ("estructura/estructura.z04", outside / "precioso.txt")]),
                 ("its data", "datos", [("datos", None), ("datos/datos.zbd", outside / "precioso.txt")]))
        for why, name, made_here in links:
            for relative, target in made_here:
                if target is None:
                    (root / relative).mkdir()
                else:
                    os.symlink(target, root / relative)
            before = {str(p.relative_to(Path(tmp))): (p.is_symlink(), p.read_bytes() if p.is_file() else None)
                      for p in Path(tmp).rglob("*")}
            for args in (("crear", str(root), name, str(Path(tmp) / "d.txt"), "--reemplazar"), ("listar", str(root), name)):
                got = run(*args)
                if got.returncode != 1 or "es un enlace".encode() not in got.stderr:
                    failures.append(f"{who}: a link at {why}, {args[0]}: exit {got.returncode}, {got.stderr!r}")
            after = {str(p.relative_to(Path(tmp))): (p.is_symlink(), p.read_bytes() if p.is_file() else None)
                     for p in Path(tmp).rglob("*")}
            if after != before:
                failures.append(f"{who}: a link at {why} changed {set(after.items()) ^ set(before.items())}")


def windows_build(exe, prefix, failures):
    """kalbd.exe under Wine: the example database byte for byte, what crear says of it and a number field's two
    columns in UTF-8, and a refusal in UTF-8 with its accents."""
    examples = Path(__file__).resolve().parents[2] / "examples"
    env = report.wine_console_env(prefix)
    with tempfile.TemporaryDirectory() as tmp:
        root = Path(tmp)
        made = subprocess.run(["wine", exe, "crear", str(root), "agenda", str(examples / "agenda.campos")],
                              env=env, check=True, capture_output=True, timeout=300).stdout
        if "ciudad: una de las opciones Madrid|Sevilla|Bilbao, guardada por su número más 99".encode() not in made:
            failures.append(f"kalbd.exe crear said {made!r}")
        (root / "p.txt").write_text("precio 1 10\n", "utf-8")
        subprocess.run(["wine", exe, "crear", str(root), "precios", str(root / "p.txt")], env=env, check=True,
                       capture_output=True, timeout=300)
        (root / "precios" / "precios.zbd").write_bytes(value(1, "precio", 1, 10, 1, "8.20"))
        listed = subprocess.run(["wine", exe, "listar", str(root), "precios"], env=env, check=True,
                                capture_output=True, timeout=300).stdout
        if listed != b"registro,precio,precio (KAL lee)\r\n1,8.20,820\r\n":
            failures.append(f"kalbd.exe lists a number field as {listed!r}")
        for name in ("agenda.z04", "agenda.zbd"):
            if (root / "agenda" / name).read_bytes() != (examples / "agenda" / name).read_bytes():
                failures.append(f"kalbd.exe: agenda/{name} differs from examples/agenda/{name}")
        (root / "ansi.txt").write_bytes("sitio 9 20 Almacén|Tienda\r\n".encode("cp1252"))
        got = subprocess.run(["wine", exe, "crear", str(root), "ansi", str(root / "ansi.txt")], env=env,
                             capture_output=True, timeout=300)
        if got.returncode != 1 or "línea 1: no es texto UTF-8".encode() not in got.stderr or \
                "añada --cp1252".encode() not in got.stderr:
            failures.append(f"kalbd.exe's refusal: exit {got.returncode}, {got.stderr!r}")


def main():
    ap = argparse.ArgumentParser(description="Checks kalbd.")
    ap.add_argument("kalbd")
    ap.add_argument("--wine", help="kalbd.exe, checked under Wine too")
    ap.add_argument("--prefix", help="the Wine prefix to use (made on first use)")
    opts = ap.parse_args()
    kalbd = opts.kalbd
    failures = []
    said = subprocess.run([kalbd, "--version"], capture_output=True, timeout=60).stdout
    if not re.fullmatch(rb"kalbd \d+\.\d+\.\d+\n", said):
        failures.append(f"kalbd --version said {said!r}")
    names_and_links([kalbd], None, failures, "kalbd")
    if opts.wine:
        windows_build(opts.wine, opts.prefix, failures)
        names_and_links(["wine", opts.wine], report.wine_console_env(opts.prefix), failures, "kalbd.exe")
        on_windows = subprocess.run(["wine", opts.wine, "--version"], env=report.wine_console_env(opts.prefix),
                                    capture_output=True, timeout=300).stdout.replace(b"\r\n", b"\n")
        if on_windows != said:
            failures.append(f"kalbd.exe --version said {on_windows!r}, kalbd {said!r}")
    with tempfile.TemporaryDirectory() as tmp:
        root = Path(tmp)
        (root / "d.txt").write_text("# agenda\nnombre 3 20\nciudad 3 20\n\ncolor 9 10 rojo|verde|azul\n", "utf-8")
        subprocess.run([kalbd, "crear", str(root), "agenda", str(root / "d.txt")], check=True)
        structure = (root / "agenda" / "agenda.z04").read_bytes()
        if len(structure) != 3 * 12042:
            failures.append(f"structure of {len(structure)} bytes, expected 3 records of 12042")
        color = structure[2 * 12042:3 * 12042]
        expected = ((3).to_bytes(4, "little") + b"color".ljust(31, b"\0") + (9).to_bytes(2, "little") +
                    (10).to_bytes(2, "little") + b"\0\0" + b"rojo|verde|azul".ljust(12001, b"\0"))
        if color != expected:
            failures.append("the third structure record differs from its description")
        if (root / "agenda" / "agenda.zbd").read_bytes() != b"":
            failures.append("the data file is not empty")
        (root / "agenda" / "agenda.zbd").write_bytes(
            value(1, "nombre", 3, 20, 1, "Íñigo") + value(2, "ciudad", 3, 20, 1, "Cádiz, España") +
            value(3, "color", 9, 10, 1, "101") + value(1, "nombre", 3, 20, 2, 'Ana "la"'))
        listed = subprocess.run([kalbd, "listar", str(root), "agenda"], check=True, capture_output=True).stdout
        # A choice field lists as KAL reads it (101 is the second choice), or as stored with --numeros.
        want = ('registro,nombre,ciudad,color\r\n1,Íñigo,"Cádiz, España",verde\r\n2,"Ana ""la""",,\r\n')
        if listed != want.encode("utf-8"):
            failures.append(f"UTF-8 listing {listed!r}")
        raw = subprocess.run([kalbd, "listar", str(root), "agenda", "--cp1252", "--numeros"], check=True,
                             capture_output=True).stdout
        if raw != want.replace("verde", "101").encode("cp1252"):
            failures.append(f"Windows-1252 listing with stored numbers {raw!r}")

        # A description saved as ANSI is refused with its line (nothing is made), or read when --cp1252 says so.
        (root / "ansi.txt").write_bytes("nombre 3 20\r\nsitio 9 20 Almacén|Tienda\r\n".encode("cp1252"))
        refused = subprocess.run([kalbd, "crear", str(root), "ansi", str(root / "ansi.txt")], capture_output=True)
        if refused.returncode != 1 or "línea 2".encode() not in refused.stderr or "añada --cp1252".encode() not in refused.stderr:
            failures.append(f"an ANSI description was not refused: {refused!r}")
        if (root / "ansi").exists():
            failures.append("a refused description left a database behind")
        for option, description in ((["--cp1252"], "ansi.txt"), ([], "utf8.txt")):
            (root / "utf8.txt").write_bytes("\ufeffnombre 3 20\nsitio 9 20 Almacén|Tienda\n".encode("utf-8"))
            subprocess.run([kalbd, "crear", str(root), "sitios", str(root / description), *option], check=True)
            sitio = (root / "sitios" / "sitios.z04").read_bytes()[12042:]
            if sitio[4:10] != b"sitio\0" or sitio[41:56] != "Almacén|Tienda\0".encode("cp1252"):
                failures.append(f"{description} {option}: the choices are not stored in Windows-1252")
        (root / "sitios" / "sitios.zbd").write_bytes(value(2, "sitio", 9, 20, 1, "100"))
        listed = subprocess.run([kalbd, "listar", str(root), "sitios"], check=True, capture_output=True).stdout
        if listed != "registro,nombre,sitio\r\n1,,Almacén\r\n".encode("utf-8"):
            failures.append(f"a choice with an accent lists as {listed!r}")
        # A number field is listed as stored and as KAL reads it; making one says how it reads.
        (root / "p.txt").write_text("precio 1 10\nfecha 7 10\n", "utf-8")
        made = subprocess.run([kalbd, "crear", str(root), "precios", str(root / "p.txt")], check=True,
                              capture_output=True).stdout.decode("utf-8")
        for words in ("precios.z04 con 2 campos, precios.zbd sin registros",
                      "precio: número de hasta 10 caracteres: KAL quita cada . y lee ' como el punto decimal",
                      "fecha: la fecha de cada %INSERTAR"):
            if words not in made:
                failures.append(f"kalbd crear said {made!r}, without {words!r}")
        (root / "precios" / "precios.zbd").write_bytes(
            value(1, "precio", 1, 10, 1, "8.20") + value(1, "precio", 1, 10, 2, "8'20"))
        listed = subprocess.run([kalbd, "listar", str(root), "precios"], check=True, capture_output=True).stdout
        if listed != b"registro,precio,precio (KAL lee),fecha\r\n1,8.20,820,\r\n2,8'20,8.20,\r\n":
            failures.append(f"a number field lists as {listed!r}")
        (root / "raro.txt").write_text("nombre 3 20\ncosa 9 20 sí|✓\n", "utf-8")
        if subprocess.run([kalbd, "crear", str(root), "raro", str(root / "raro.txt")],
                          capture_output=True).returncode != 1:
            failures.append("a character Windows-1252 lacks was stored instead of refused")
        if subprocess.run([kalbd, "listar", str(root), "nada"], capture_output=True).returncode == 0:
            failures.append("listing a missing database succeeded")
        # Each refusal says why, with its exit code, and leaves the root exactly as it was.
        def snapshot(folder):
            return {p.relative_to(folder): p.read_bytes() if p.is_file() else None for p in folder.rglob("*")}
        (root / "fichero").write_text("no soy una carpeta", "utf-8")
        refusals = [  # (why, name, description text, extra options, exit code, words of the message)
            ("over a database that holds records", "agenda", "nombre 3 20\n", [], 1, b"--reemplazar"),
            ("a name with a slash", "a/b", "nombre 3 20\n", [], 2, b"no puede elegir"),
            ("a name with a backslash", "a\\b", "nombre 3 20\n", [], 2, b"no puede elegir"),
            ("a name that leads out of the root", "../fuera", "nombre 3 20\n", [], 2, b"no puede elegir"),
            ("a name of dots", "..", "nombre 3 20\n", [], 2, b"no puede elegir"),
            ("a field named twice", "doble", "nombre 3 20\nedad 1 3\nnombre 3 5\n", [], 1, "línea 3".encode()),
            ("a length that is no number", "largo", "nombre 3 5x\n", [], 1, "línea 1".encode()),
            ("a type that is no number", "tipo", "nombre 3x 5\n", [], 1, "línea 1".encode()),
            ("a choice field without choices", "sin", "color 9 10\n", [], 1, "línea 1: un campo de tipo 9".encode()),
            ("choices past the field's room", "opciones", "c 9 3 " + "x" * 12001 + "\n", [], 1, "línea 1".encode()),
        ]
        for why, name, text, options, code, words in refusals:
            (root / "r.txt").write_text(text, "utf-8")
            before = snapshot(root)
            got = subprocess.run([kalbd, "crear", str(root), name, str(root / "r.txt"), *options],
                                 capture_output=True)
            if got.returncode != code or words not in got.stderr:
                failures.append(f"{why}: exit {got.returncode}, {got.stderr!r}")
            if snapshot(root) != before:
                failures.append(f"{why}: the root changed")
        (root / "r.txt").write_text("nombre 3 20\n", "utf-8")
        got = subprocess.run([kalbd, "crear", str(root / "fichero"), "base", str(root / "r.txt")], capture_output=True)
        if got.returncode != 1 or b"no es una carpeta" not in got.stderr:
            failures.append(f"a root that is a file: exit {got.returncode}, {got.stderr!r}")
        # With --reemplazar the structure is replaced, saying how many records it no longer reads as before:
        # agenda's two records both hold a nombre, which becomes a number field.
        (root / "r.txt").write_text("nombre 1 20\nciudad 3 20\ncolor 9 10 rojo|verde|azul\n", "utf-8")
        got = subprocess.run([kalbd, "crear", str(root), "agenda", str(root / "r.txt"), "--reemplazar"],
                             capture_output=True)
        if got.returncode != 0 or b" 2 de los 2 registros" not in got.stdout:
            failures.append(f"replacing a structure: exit {got.returncode}, {got.stdout!r}")
        if sorted(p.name for p in (root / "agenda").iterdir()) != ["agenda.z04", "agenda.zbd"]:
            failures.append(f"replacing a structure left {sorted(p.name for p in (root / 'agenda').iterdir())}")
        examples = Path(__file__).resolve().parents[2] / "examples"
        subprocess.run([kalbd, "crear", str(root / "ejemplo"), "agenda", str(examples / "agenda.campos")], check=True)
        for name in ("agenda.z04", "agenda.zbd"):
            if (root / "ejemplo" / "agenda" / name).read_bytes() != (examples / "agenda" / name).read_bytes():
                failures.append(f"examples/agenda/{name} is not what kalbd makes from examples/agenda.campos")
    return report.finish("kalbd", failures)


if __name__ == "__main__":
    sys.exit(main())
