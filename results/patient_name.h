#pragma once
// Patients' names as the program compares them. A name typed with its
// accents composed (é) or decomposed (e followed by a combining acute
// accent), as some keyboards and systems give it, is the same name: names
// are kept in one Unicode form, NFC, for the Latin letters with diacritics a
// French clinic meets. Names that differ only by case or accents (Hélène
// Dupont, helene dupont, HÉLÈNE DUPONT) are told apart, but pointed out to
// the clinician, who may have typed one patient in several ways.

#include <map>
#include <string>
#include <string_view>
#include <vector>

// The UTF-8 text with each Latin letter followed by a combining accent that
// composes with it written as the one composed letter (NFC).
std::string composed(std::string_view text);

// A patient's name as the history compares it: composed, without the blanks
// around it.
std::string patientKey(std::string_view name);

// The name without case nor accents, for pointing out names that are close.
std::string foldedName(std::string_view name);

// The names among those given (a patient's name and how many exercises it
// has) that differ from the patient's only by case or accents.
std::vector<std::pair<std::string, int>> nearNames(const std::map<std::string, int>& names, std::string_view patient);
// « Autres noms proches dans ce dossier : « helene dupont » (2 exercices). »,
// or empty text when there is none.
std::string nearNamesNote(const std::map<std::string, int>& names, std::string_view patient);
