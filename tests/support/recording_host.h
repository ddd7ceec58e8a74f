#pragma once
// A substitute of the window for the window's logic (FormHost): it counts
// what Form1 asks of it.

#include "engine/form1.h"

class RecordingHost : public FormHost {
public:
    void postTick() override { ++ticksPosted; }
    void postIdle() override {}
    std::optional<std::string> probeAhead(const std::string&) override { return std::nullopt; }
    void preparePictures(const std::vector<std::string>&) override {}
    void showResults() override { ++resultsShown; }
    void resultsChanged() override { ++resultsChanges; }
    void postClose() override { ++closesPosted; }

    int ticksPosted = 0;
    int resultsShown = 0;
    int resultsChanges = 0;
    int closesPosted = 0;
};
