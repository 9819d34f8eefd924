// ctest-labels: gui
// The menu's history-folder and metrics-file items, answered as a user would.
#include "AppFixture.h"

#include "app/MonitorMenu.h"
#include "monitor/SampleHub.h"

#include <QDir>

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
    qunsetenv("XDG_STATE_HOME");
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
    answer = " /srv/textfile/zmping2.prom ";
    menu->Olcum1->trigger();
    answer.reset(); // cancelled: kept as it was
    menu->Olcum1->trigger();
    EXPECT_EQ(offered, (QStringList{"", "", "/srv/textfile/zmping2.prom"}));
    EXPECT_EQ(Monitor::TMonitorOptions::Load().MetricsFile, "/srv/textfile/zmping2.prom");
    answer = "";
    menu->Olcum1->trigger();
    EXPECT_TRUE(Ayar->SampleHub1->Options().MetricsFile.isEmpty());
}
