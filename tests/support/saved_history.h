#pragma once
// What a results folder's files hold once its thread has written them,
// read back whole, as a new run of the program would read them.

#include "results/results_folder.h"

#include <gtest/gtest.h>

#include <chrono>

struct SavedHistory {
    ResultsFolder& results;

    HistoryContents read() const
    {
        EXPECT_TRUE(results.finish(std::chrono::seconds(60)));
        return readFolder(results.folder()).value_or(FolderHistory{}).history;
    }
};
