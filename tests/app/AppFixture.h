#pragma once
// Both windows of the program over fakes: a notification area that records its calls, and a
// ping component on the net folder's fake ICMP layer and fake resolver. Message boxes and sound
// are recorded instead of shown and played; settings go to a temporary folder.
#include "NetFakes.h"
#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "shell/FakeNotifyIcon.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Builds the windows (call after choosing Journal.Available etc.).
    void Build();
    // Shows the main window as start-up does.
    void Start();
    // Lets posted events (lookup completions, echo replies) run.
    void Pump();

    QTemporaryDir Config;
    TNotifyJournal Journal;
    FakeIcmpLayer* Layer = nullptr;
    std::shared_ptr<FakeResolver> Resolver;
    std::unique_ptr<TAnaF> Main;
    std::unique_ptr<TAyarF> Ayar;
    QStringList Messages; // texts of message boxes
    QStringList Sounds;   // paths asked to play
    QStringList Notices;  // bodies of desktop notifications
};
