// ctest-labels: gui
// The menu's history-folder and metrics-file items, answered as a user would.
#include "AppFixture.h"

#include "app/MonitorMenu.h"
#include "monitor/SampleHub.h"

#include "support/ReadOnlyFolder.h"

#include <QAction>
#include <QDir>
#include <QMenu>

TEST_F(AppFixture, HistoryFolderAndMetricsFileItems)
{
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    Build();
    Start();
    TMonitorMenu* menu = Main->MonitorMenu1;
    QStringList opened;
    menu->OpenFolder = [&](const QString& folder) { opened << folder; };
    menu->Gecmis1->trigger();
    const QString folder = state.filePath("ZmPing2/history");
    EXPECT_EQ(opened, QStringList{folder});
    EXPECT_TRUE(QDir(folder).exists()) << "made, so the file manager has something to show";

    QStringList offered;
    std::optional<QString> answer = QString("textfile/zmping2.prom");
    menu->AskMetricsPath = [&](const QString& current) {
        offered << current;
        return answer;
    };
    menu->Olcum1->trigger();
    EXPECT_EQ(Messages.size(), 1) << "a relative path is refused";
    // A folder that is not there, or takes no files, is refused when it is set.
    answer = state.filePath("missing/zmping2.prom");
    menu->Olcum1->trigger();
    ASSERT_EQ(Messages.size(), 2);
    EXPECT_EQ(Messages.last(), "Klasör yok: " + state.filePath("missing"));
    const QString readOnly = state.filePath("read-only");
    const std::optional<QString> refused = RunWithReadOnlyFolder(readOnly, [&] {
        answer = readOnly + "/zmping2.prom";
        menu->Olcum1->trigger();
        return Messages.size() == 3 ? Messages.last() : QString("no message");
    });
    if (refused) {
        EXPECT_EQ(*refused, "Klasöre yazılamıyor: " + readOnly);
    }
    EXPECT_TRUE(Monitor::TMonitorOptions::Load().MetricsFile.isEmpty());
    const QString metrics = state.filePath("zmping2.prom");
    answer = " " + metrics + " ";
    menu->Olcum1->trigger();
    answer.reset(); // cancelled: kept as it was
    menu->Olcum1->trigger();
    EXPECT_EQ(offered.last(), metrics);
    EXPECT_EQ(Monitor::TMonitorOptions::Load().MetricsFile, metrics);
    answer = "";
    menu->Olcum1->trigger();
    EXPECT_TRUE(Ayar->SampleHub1->Options().MetricsFile.isEmpty());
    qunsetenv("XDG_STATE_HOME");
}

// "Dil / Language": the choice is remembered under the options key for the next start, and
// said so in both languages.
TEST_F(AppFixture, LanguageItemsRememberTheChoice)
{
    Build();
    Start();
    TMonitorMenu* menu = Main->MonitorMenu1;
    ASSERT_NE(menu->Dil1, nullptr);
    EXPECT_EQ(menu->Dil1->title(), "Dil / Language");
    menu->English1->trigger();
    EXPECT_EQ(Monitor::TMonitorOptions::Load().Language, "en");
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].contains("The language changes")) << Messages[0].toStdString();
    emit Main->PopupMenu1->aboutToShow();
    EXPECT_TRUE(menu->English1->isChecked());
    EXPECT_FALSE(menu->Turkce1->isChecked());
    menu->Turkce1->trigger();
    EXPECT_EQ(Monitor::TMonitorOptions::Load().Language, "tr");
}
