#!/usr/bin/env python3
"""A history that real LibreOffice Calc holds open on Linux: Calc marks the
file with .~lock.resultats.csv# beside it and saves its own copy over it when
asked. An exercise saved meanwhile waits in the journal; once Calc has saved
the file and let it go, the next save writes it, and nothing is lost: every
exercise once in resultats.csv and its pictures once in reponses.csv.

Usage: calc_lock_test.py SAVE_EXERCISE WORK_FOLDER
Exit status 77 when LibreOffice or its Python bridge is missing."""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from external import SKIPPED, fail, libreoffice_or_skip, text

try:
    import uno
    from com.sun.star.beans import PropertyValue
except ImportError:
    print("The LibreOffice Python bridge (python3-uno) is missing: the history held open by Calc is not tested")
    sys.exit(SKIPPED)


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def save(tool, folder, patient):
    run = subprocess.run([tool, folder, patient], capture_output=True, text=True, timeout=60)
    identity, _, said = run.stdout.partition("\n")
    return identity.strip(), said.strip(), run.returncode


def main():
    tool, work = sys.argv[1], sys.argv[2]
    soffice = libreoffice_or_skip("the history held open by Calc")
    shutil.rmtree(work, ignore_errors=True)
    folder = os.path.join(work, "tavrel")
    history = os.path.join(folder, "resultats.csv")
    answers = os.path.join(folder, "reponses.csv")
    lock = os.path.join(folder, ".~lock.resultats.csv#")

    first, said, status = save(tool, folder, "Hélène")
    if status != 0 or first not in text(history):
        fail(f"le premier exercice n'est pas enregistré : {said}")

    pipe = "tavrel_calc_%d" % os.getpid()
    office = subprocess.Popen([soffice, "-env:UserInstallation=file://" + os.path.join(work, "profil"), "--headless",
                               "--norestore", "--nologo", f"--accept=pipe,name={pipe};urp;"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=dict(os.environ, HOME=work))
    try:
        resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
        for _ in range(120):
            try:
                context = resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
                break
            except Exception:
                time.sleep(0.5)
        else:
            fail("LibreOffice ne répond pas")
        desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        options = "59,34,76,1"
        document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(history), "_blank", 0,
                                                (prop("FilterName", "Text - txt - csv (StarCalc)"),
                                                 prop("FilterOptions", options), prop("Hidden", True)))
        if not os.path.exists(lock):
            fail("Calc n'a pas posé son verrou " + lock)
        before = text(history)

        # Saved while Calc holds the file: it waits.
        second, said, status = save(tool, folder, "Hélène")
        print("pendant que Calc tient le fichier : " + said)
        if second in text(history) or text(history) != before:
            fail("le fichier tenu par Calc a été écrit")
        if "est ouvert dans un autre programme" not in said or ".~lock.resultats.csv#" not in said:
            fail("le message ne dit pas que le fichier est ouvert : " + said)
        if len(os.listdir(os.path.join(folder, "journal"))) != 1:
            fail("l'exercice n'attend pas dans le journal")

        # The clinician saves the file from Calc, then closes it.
        sheet = document.Sheets.getByIndex(0)
        sheet.getCellByPosition(0, 0).getString()
        document.storeToURL(uno.systemPathToFileUrl(history),
                            (prop("FilterName", "Text - txt - csv (StarCalc)"), prop("FilterOptions", options)))
        document.close(True)
        for _ in range(40):
            if not os.path.exists(lock):
                break
            time.sleep(0.25)
        if os.path.exists(lock):
            fail("Calc n'a pas retiré son verrou")
    finally:
        office.terminate()
        try:
            office.wait(30)
        except subprocess.TimeoutExpired:
            office.kill()

    third, said, status = save(tool, folder, "Hélène")
    if status != 0 or said:
        fail("après Calc : " + said)
    saved, pictures = text(history), text(answers)
    for identity in (first, second, third):
        if saved.count(identity) != 1 or pictures.count(identity) != 3:
            fail(f"l'exercice {identity} : {saved.count(identity)} ligne(s) dans resultats.csv, "
                 f"{pictures.count(identity)} dans reponses.csv")
    if os.listdir(os.path.join(folder, "journal")):
        fail("le journal n'est pas vide")
    print("trois exercices, chacun une fois dans chaque fichier, après que Calc a tenu et enregistré resultats.csv")


if __name__ == "__main__":
    main()
