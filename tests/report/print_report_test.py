#!/usr/bin/env python3
"""The printable report as a clinician gets it: written by the program from a
known history kept by two computers in one folder (with a synchronisation
conflict copy), opened in a real browser (headless Chromium), printed to PDF
on A4, and read back with pdftotext: the patient's name, the figures, each
exercise once, and no chart cut across two pages. The points of the charts'
SVG are read back through their axis marks and compared with the figures of
the history. Last, the chart of a patient whose left, right and overall
figures are equal is drawn by Chromium, and each series' mark is seen in its
colour at that point: no side's mark hides under another.

Usage: print_report_test.py PROGRAM WORK_FOLDER
Exit status 77 when Chromium or pdftotext is missing."""

import html.parser
import os
import re
import shutil
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from external import ANSWERS_HEADER, HISTORY_HEADER, SKIPPED, fail, program_environment, write, write_report

PATIENT = "Zoé Lefèvre"

# (date, body part, left correct of 10, right correct of 10, response time to
# left pictures in ms); every picture answered. The right side, the painful
# one, is worse: fewer correct answers, 300 ms slower.
EXERCISES = [
    ("2026-11-02T09:10:00", "mains", 6, 3, 1400),
    ("2026-11-05T18:00:00", "mains", 7, 4, 1300),
    ("2026-11-09T09:00:00", "mains", 7, 5, 1200),
    ("2026-11-12T18:30:00", "pieds", 8, 6, 1500),
    ("2026-11-16T09:00:00", "mains", 8, 6, 1100),
    ("2026-11-19T18:00:00", "mains", 9, 7, 1000),
    ("2026-11-23T09:00:00", "pieds", 9, 8, 1300),
    ("2026-11-26T18:00:00", "mains", 10, 8, 900),
]
SETS = {"mains": "mainDGfacile", "pieds": "piedDGfacile"}


def history_of(exercises):
    results, answers = [], []
    for date, part, left, right, ms in exercises:
        correct = left + right
        results.append(f"{date};{PATIENT};{part};1;3000;1;20;20;{correct};{ms + 150};{ms + 150}")
        for order in range(1, 21):
            left_side = order % 2 == 1
            number = (order + 1) // 2 if left_side else 10 + order // 2
            shown = "gauche" if left_side else "droite"
            # The first `left` left pictures and `right` right pictures are right.
            rank = (order + 1) // 2
            good = rank <= (left if left_side else right)
            answer = shown if good else ("droite" if left_side else "gauche")
            answers.append(f"{date};{PATIENT};{order};{part};{SETS[part]};{number};{shown};{answer};"
                           f"{1 if good else 0};{ms if left_side else ms + 300}")
    return results, answers


def make_folder(folder):
    os.makedirs(folder)
    home = [e for e in EXERCISES if e[0][11:13] == "18"]
    clinic = [e for e in EXERCISES if e[0][11:13] != "18"]
    for computer, exercises in (("MAISON", home), ("CABINET", clinic)):
        results, answers = history_of(exercises)
        write(os.path.join(folder, f"resultats-{computer}.csv"), HISTORY_HEADER, results)
        write(os.path.join(folder, f"reponses-{computer}.csv"), ANSWERS_HEADER, answers)
    # A synchronisation service's copy of one of them, holding the same lines.
    shutil.copy(os.path.join(folder, "resultats-CABINET.csv"), os.path.join(folder, "resultats-CABINET (1).csv"))
    # Another patient's exercise, which the report leaves out.
    write(os.path.join(folder, "resultats-AUTRE.csv"), HISTORY_HEADER,
          ["2026-11-20T10:00:00;Jean Martin;mains;1;3000;1;20;20;20;700;700"])


class SvgReader(html.parser.HTMLParser):
    """The report's charts: for each, its value axis marks (label, y) and the
    y of each point of each series."""

    def __init__(self):
        super().__init__()
        self.charts = []
        self.group = None
        self.text_y = None
        self.in_values = False

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "svg":
            self.charts.append({"ticks": [], "points": {}})
        elif tag == "g":
            classes = (a.get("class") or "").split()
            self.in_values = "axe-valeurs" in classes
            self.group = classes[1] if len(classes) == 2 and classes[0] == "serie" else None
        elif tag == "text" and self.in_values and "transform" not in a:
            self.text_y = float(a["y"]) - 4  # the label sits 4 below its mark
        elif self.group and tag in ("circle", "rect"):
            x = float(a["cx"]) if tag == "circle" else float(a["x"]) + float(a["width"]) / 2
            y = float(a["cy"]) if tag == "circle" else float(a["y"]) + float(a["height"]) / 2
            self.charts[-1]["points"].setdefault(self.group, []).append(y)
            self.charts[-1].setdefault("spots", {}).setdefault(self.group, []).append((x, y))

    def handle_data(self, data):
        if self.text_y is not None:
            self.charts[-1]["ticks"].append((float(re.sub(r"[^\d.-]", "", data)), self.text_y))
            self.text_y = None

    def handle_endtag(self, tag):
        if tag == "g":
            self.in_values = False
            self.group = None


def values_of(chart, series):
    """The values of a series' points, read through the axis' marks."""
    (v0, y0), (v1, y1) = chart["ticks"][0], chart["ticks"][-1]
    return [v0 + (y - y0) * (v1 - v0) / (y1 - y0) for y in chart["points"].get(series, [])]


def close(values, expected, tolerance):
    return len(values) == len(expected) and all(abs(v - e) <= tolerance for v, e in zip(values, expected))


def png_pixels(path):
    """The (red, green, blue) rows of an 8-bit PNG without interlace, as
    Chromium writes its screenshots."""
    data = open(path, "rb").read()
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunk = data[at + 8:at + 8 + length]
        at += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", chunk[:10])
        elif kind == b"IDAT":
            idat += chunk
    if depth != 8 or colour not in (2, 6):
        fail(f"capture PNG de profondeur {depth}, type {colour}")
    size = 3 if colour == 2 else 4
    raw, stride, rows, previous = zlib.decompress(idat), width * size, [], bytearray(width * size)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - size] if i >= size else 0
            up, up_left = previous[i], previous[i - size] if i >= size else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - up_left
                nearest = min((abs(p - left), 0, left), (abs(p - up), 1, up), (abs(p - up_left), 2, up_left))[2]
                line[i] = (line[i] + nearest) & 255
        rows.append([tuple(line[x * size:x * size + 3]) for x in range(width)])
        previous = line
    return rows


def equal_marks_seen(program, chromium, work, env):
    """One exercise whose left, right and overall figures are all equal: the
    three marks lie on one point, and Chromium must show each in its colour
    there."""
    folder = os.path.join(work, "égalité")
    os.makedirs(folder)
    date, patient = "2026-12-01T10:00:00", "Égal"
    results = [f"{date};{patient};mains;1;3000;1;20;20;12;800;800"]
    answers = []
    for order in range(1, 21):
        left_side = order % 2 == 1
        shown = "gauche" if left_side else "droite"
        good = (order + 1) // 2 <= 6
        answer = shown if good else ("droite" if left_side else "gauche")
        answers.append(f"{date};{patient};{order};mains;mainDGfacile;{order};{shown};{answer};{1 if good else 0};800")
    write(os.path.join(folder, "resultats.csv"), HISTORY_HEADER, results)
    write(os.path.join(folder, "reponses.csv"), ANSWERS_HEADER, answers)
    report = os.path.join(work, "bilan-égal.html")
    run = subprocess.run([program, "--bilan", report, "--patient", patient, "--resultats", folder],
                         env=env, capture_output=True, text=True, timeout=120)
    if run.returncode != 0:
        fail(f"--bilan a rendu {run.returncode} : {run.stderr}")
    page = open(report, encoding="utf-8").read()
    reader = SvgReader()
    reader.feed(page)
    spots = reader.charts[0]["spots"]
    where = {spot for series in ("gauche", "droite", "ensemble") for spot in spots.get(series, [])}
    if len(where) != 1:
        fail(f"les trois points égaux ne sont pas au même endroit : {spots}")
    (x, y), = where

    # The chart alone, one pixel per unit of its drawing.
    svg = page[page.index("<svg"):page.index("</svg>") + 6].replace("<svg ", '<svg width="700" height="262" ', 1)
    alone = os.path.join(work, "graphique.html")
    with open(alone, "w", encoding="utf-8") as f:
        f.write("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>body{margin:0;background:white}"
                "svg{display:block}</style></head><body>" + svg + "</body></html>")
    shot = os.path.join(work, "graphique.png")
    subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                    "--user-data-dir=" + os.path.join(work, "profil"), "--hide-scrollbars",
                    "--force-device-scale-factor=1", "--window-size=700,262", "--screenshot=" + shot,
                    "file://" + alone], env=env, capture_output=True, timeout=180)
    if not os.path.exists(shot):
        fail("Chromium n'a pas dessiné le graphique")
    rows = png_pixels(shot)
    colours = {"gauche": (0x1F, 0x77, 0xB4), "droite": (0xD6, 0x27, 0x28), "ensemble": (0x60, 0x60, 0x60)}
    seen = {name: 0 for name in colours}
    for py in range(int(y) - 10, int(y) + 11):
        for px in range(int(x) - 10, int(x) + 11):
            for name, colour in colours.items():
                if all(abs(a - b) <= 24 for a, b in zip(rows[py][px], colour)):
                    seen[name] += 1
    for name, least in (("gauche", 20), ("droite", 12), ("ensemble", 6)):
        if seen[name] < least:
            fail(f"la marque « {name} » est cachée au point commun : {seen[name]} pixels de sa couleur ({seen})")
    return seen


def main():
    program, work = sys.argv[1], sys.argv[2]
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium or not shutil.which("pdftotext"):
        print("Chromium or pdftotext is missing: the report's print is not tested")
        sys.exit(SKIPPED)
    shutil.rmtree(work, ignore_errors=True)
    folder = os.path.join(work, "dossier partagé")
    make_folder(folder)
    report = os.path.join(work, "bilan.html")
    env = program_environment(work)
    page = write_report(program, report, PATIENT, folder, len(EXERCISES), env)
    if oct(os.stat(report).st_mode & 0o777) != "0o600":
        fail("le bilan n'est pas lisible par son seul propriétaire")

    # Self-contained: nothing fetched, nothing run.
    for outside in ("<script", "src=", "href=", "url(", "@import", "<link", "<img", "<iframe"):
        if outside in page:
            fail("le bilan contient " + outside)

    # The charts' points against the figures of the history.
    reader = SvgReader()
    reader.feed(page)
    hands = [e for e in EXERCISES if e[1] == "mains"]
    if len(reader.charts) != 4:
        fail(f"{len(reader.charts)} graphiques au lieu de 4 (deux par partie du corps)")
    accuracy, time = reader.charts[0], reader.charts[1]
    for series, expected in (("gauche", [10 * e[2] for e in hands]), ("droite", [10 * e[3] for e in hands]),
                             ("ensemble", [5 * (e[2] + e[3]) for e in hands])):
        if not close(values_of(accuracy, series), expected, 0.6):
            fail(f"points « {series} » des réponses justes : {values_of(accuracy, series)} au lieu de {expected}")
    for series, expected in (("gauche", [e[4] for e in hands]), ("droite", [e[4] + 300 for e in hands]),
                             ("ensemble", [e[4] + 150 for e in hands])):
        if not close(values_of(time, series), expected, 6):
            fail(f"points « {series} » des temps de réponse : {values_of(time, series)} au lieu de {expected}")

    # Printed as the clinician would, on A4.
    pdf = os.path.join(work, "bilan.pdf")
    subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                    "--user-data-dir=" + os.path.join(work, "profil"), "--no-pdf-header-footer",
                    "--print-to-pdf=" + pdf, "file://" + report],
                   env=env, capture_output=True, timeout=180)
    if not os.path.exists(pdf):
        fail("Chromium n'a pas imprimé le bilan")
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
    pages = int(re.search(r"Pages:\s+(\d+)", info).group(1))
    if "A4" not in info or pages < 2:
        fail("impression : " + info)
    texts = [subprocess.run(["pdftotext", "-layout", "-f", str(p), "-l", str(p), pdf, "-"],
                            capture_output=True, text=True).stdout for p in range(1, pages + 1)]
    whole = "\n".join(texts)
    for expected in (PATIENT, "du 02/11/2026 au 26/11/2026", "8 exercices de phase 1", "CABINET", "MAISON",
                     "26/11/2026 18:00", "90 %", "100 %", "80 %"):
        if expected not in whole:
            fail(f"« {expected} » manque au PDF")
    if "Jean Martin" in whole:
        fail("un autre patient figure au bilan")
    # Each exercise once in the table, the conflict copy notwithstanding.
    for date, *_ in EXERCISES:
        day = f"{date[8:10]}/{date[5:7]}/{date[0:4]} {date[11:16]}"
        if whole.count(day) != 1 + (day == "26/11/2026 18:00"):
            fail(f"l'exercice du {day} figure {whole.count(day)} fois")
    # No chart across two pages: the title and the caption of each figure
    # are printed on the same page.
    for n in range(1, 5):
        top = [p for p, t in enumerate(texts) if f"Figure {n} —" in t]
        bottom = [p for p, t in enumerate(texts) if f"Figure {n} ·" in t]
        if len(top) != 1 or top != bottom:
            fail(f"la figure {n} est coupée : titre page {top}, légende page {bottom}")
    seen = equal_marks_seen(program, chromium, work, env)
    print(f"bilan imprimé sur {pages} pages A4 ; {pdf} ; marques égales vues : {seen}")


if __name__ == "__main__":
    main()
