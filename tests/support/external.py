"""What the tests that drive the program beside real external programs
(LibreOffice Calc, Chromium) share: failing with a French message, history
files written as the program writes them, the program's environment in a work
folder of the test's own, LibreOffice found or the test skipped, and the
report written without a window and checked."""

import os
import shutil
import subprocess
import sys

# The headers of the history files as versions before the exercises' identity
# wrote them: the program reads such files as its own.
HISTORY_HEADER = ("date;patient;partie;niveau;vitesse_ms;feedback;images;réponses;justes;"
                  "temps_moyen_ms;temps_médian_ms")
ANSWERS_HEADER = "date;patient;ordre;partie;jeu;image;côté;réponse;juste;temps_ms"
SKIPPED = 77


def fail(message):
    print("ÉCHEC : " + message, file=sys.stderr)
    sys.exit(1)


def write(path, header, lines):
    """A history file as the program writes it: UTF-8 with a byte-order mark, CRLF."""
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("\ufeff" + header + "\r\n" + "".join(line + "\r\n" for line in lines))


def text(path):
    with open(path, encoding="utf-8-sig", errors="replace") as f:
        return f.read()


def program_environment(work):
    """The program's private data folder and home inside the work folder."""
    return dict(os.environ, XDG_DATA_HOME=os.path.join(work, "données"), HOME=work, QT_QPA_PLATFORM="offscreen")


def libreoffice_or_skip(what):
    """LibreOffice's program, or the test skipped, saying what goes untested."""
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print(f"LibreOffice is missing: {what} is not tested")
        sys.exit(SKIPPED)
    return soffice


def write_report(program, report, patient, folder, exercises, env):
    """The report of the patient written without a window from the folder;
    its page. The program must say that it wrote that many exercises."""
    run = subprocess.run([program, "--bilan", report, "--patient", patient, "--resultats", folder],
                         env=env, capture_output=True, text=True, timeout=120)
    if run.returncode != 0:
        fail(f"--bilan a rendu {run.returncode} : {run.stdout} {run.stderr}")
    if patient not in run.stdout or f"{exercises} exercices" not in run.stdout:
        fail("message de --bilan : " + run.stdout)
    return open(report, encoding="utf-8").read()
