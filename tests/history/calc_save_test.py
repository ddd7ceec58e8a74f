#!/usr/bin/env python3
"""The history as a clinician's spreadsheet leaves it: resultats.csv and
reponses.csv written as the program writes them, opened by real LibreOffice
Calc (headless, a profile of its own) and saved back as a French spreadsheet
saves plain CSV (";" and '"', Windows-1252, no byte-order mark), the dates
taken as dates on the way in. The program's printable report, written from
the saved folder, must still hold every exercise of « Hélène » with the
figures of both files.

Usage: calc_save_test.py PROGRAM WORK_FOLDER
Exit status 77 when LibreOffice is missing."""

import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from external import (ANSWERS_HEADER, HISTORY_HEADER, fail, libreoffice_or_skip, program_environment, write,
                      write_report)

PATIENT = "Hélène"
OTHER = '"Jean ""Jo""; Martin"'
SETS = {"mains": "mainDGfacile", "pieds": "piedDGfacile"}

# (date, body part, correct of the 4 left pictures, correct of the 4 right
# ones, right pictures left unanswered).
EXERCISES = [
    ("2026-11-02T09:10:00", "mains", 2, 1, 0),
    ("2026-11-05T18:00:05", "pieds", 3, 2, 1),
    ("2026-11-09T09:00:59", "mains", 4, 3, 0),
]

# Calc's CSV filter: ";" (59), '"' (34), the character set, the first line;
# on import the first column as a date (5: year, month, day) and French (1036)
# for the numbers and dates; on export the cells as shown. Calc takes the
# program's dates for dates but keeps their written form, so it writes them
# back as they were; the French forms other spreadsheets write are read by
# the core's tests.
IMPORT = "CSV:59,34,76,1,1/5,1036,false,true"
EXPORT = "csv:Text - txt - csv (StarCalc):59,34,1252,1,,1036,false,true,true"


def make_history(folder):
    results, answers = [], []
    for date, part, left, right, unanswered in EXERCISES:
        count = 8 - unanswered
        correct = left + right
        results.append(f"{date};{PATIENT};{part};2;2500;0;8;{count};{correct};1200;1150")
        for order in range(1, 9):
            side = "gauche" if order <= 4 else "droite"
            rank = order if order <= 4 else order - 4
            if side == "droite" and rank > 4 - unanswered:
                answers.append(f"{date};{PATIENT};{order};{part};{SETS[part]};{order};{side};;;")
                continue
            good = rank <= (left if side == "gauche" else right)
            answer = side if good else ("droite" if side == "gauche" else "gauche")
            answers.append(f"{date};{PATIENT};{order};{part};{SETS[part]};{order};{side};{answer};"
                           f"{1 if good else 0};{1000 + 50 * order}")
    # Another patient, whose name the program quotes: Calc must quote it
    # back, and the report leaves it out.
    results.append(f'2026-11-06T10:00:00;{OTHER};mains;1;3000;1;8;8;8;900;900')
    os.makedirs(folder)
    write(os.path.join(folder, "resultats.csv"), HISTORY_HEADER, results)
    write(os.path.join(folder, "reponses.csv"), ANSWERS_HEADER, answers)


def main():
    program, work = sys.argv[1], sys.argv[2]
    soffice = libreoffice_or_skip("the history saved back by Calc")
    shutil.rmtree(work, ignore_errors=True)
    written = os.path.join(work, "écrit")
    saved = os.path.join(work, "enregistré par Calc")
    make_history(written)

    env = program_environment(work)
    calc = subprocess.run([soffice, "-env:UserInstallation=file://" + os.path.join(work, "profil"), "--headless",
                           "--norestore", "--infilter=" + IMPORT, "--convert-to", EXPORT, "--outdir", saved,
                           os.path.join(written, "resultats.csv"), os.path.join(written, "reponses.csv")],
                          env=env, capture_output=True, text=True, timeout=180)
    for name in ("resultats.csv", "reponses.csv"):
        path = os.path.join(saved, name)
        if not os.path.exists(path):
            fail(f"Calc n'a pas enregistré {name} : {calc.stdout} {calc.stderr}")
        data = open(path, "rb").read()
        # What is tested is Calc's own file: Windows-1252, no byte-order mark.
        if data.startswith(b"\xef\xbb\xbf") or PATIENT.encode("cp1252") not in data:
            fail(f"{name} n'est pas en Windows-1252 : {data[:200]!r}")
        print(f"{name} enregistré par Calc : {data.splitlines()[1].decode('cp1252')}")

    report = os.path.join(work, "bilan.html")
    page = write_report(program, report, PATIENT, saved, len(EXERCISES), env)
    if f"<title>Bilan de {PATIENT} " not in page:
        fail("le nom du patient manque au bilan")
    if "Martin" in page:
        fail("un autre patient figure au bilan")
    if "illisible" in page:
        fail("le bilan a écarté des lignes enregistrées par Calc")

    # Each exercise's row of the table: its date, and the correct answers of
    # each side, which come from reponses.csv.
    rows = re.findall(r"<tr><td>([^<]*)</td><td>([^<]*)</td>(.*?)</tr>", page)
    if len(rows) != len(EXERCISES):
        fail(f"{len(rows)} exercices au bilan au lieu de {len(EXERCISES)}")
    for (date, part, left, right, unanswered), (shown_date, shown_part, cells) in zip(EXERCISES, rows):
        day = f"{date[8:10]}/{date[5:7]}/{date[0:4]} {date[11:16]}"
        numbers = re.findall(r"<td class=\"n\">([^<]*)</td>", cells)
        sides = numbers[5:7]
        expected = [f"{round(100 * left / 4)} %", f"{round(100 * right / (4 - unanswered))} %"]
        if shown_date != day or shown_part != part or sides != expected:
            fail(f"exercice {day} {part} {expected} : lu {shown_date} {shown_part} {sides}")
    print(f"bilan de {PATIENT} lu dans les fichiers de Calc : {len(rows)} exercices ; {report}")


if __name__ == "__main__":
    main()
