// The monitor's remembered choices: what a damaged or hand-edited Options key reads as, and a
// round trip through the hub.
#include "monitor/SampleHub.h"
#include "support/TempConfig.h"

#include "framework/RegistryFile.h"

#include <gtest/gtest.h>

using namespace Monitor;

namespace {

QString OptionsKey()
{
    return "HKEY_CURRENT_USER\\" + TMonitorOptions::RegistryKey() + "\\Options";
}

void Put(std::initializer_list<TRegValue> values)
{
    TRegistryFile().Modify([&](TRegistryData& d) {
        d.CreateKey(OptionsKey());
        for (const TRegValue& v : values)
            d.SetValue(OptionsKey(), v);
        return true;
    });
}

TRegValue Text(const QString& name, const QString& text)
{
    TRegValue v;
    v.Name = name;
    v.Text = text;
    return v;
}

} // namespace

TEST(MonitorOptions, UnreadableValuesReadAsTheirDefaultsOneByOne)
{
    TTempConfig config;
    TRegValue dword;
    dword.Name = "Alerts";
    dword.Type = REG_DWORD;
    dword.Dword = 0;
    Put({dword, Text("DownAfter", "abc"), Text("UpAfter", "5"), Text("SilencedUntil", "never")});
    const TMonitorOptions o = TMonitorOptions::Load();
    EXPECT_TRUE(o.AlertsOn) << "a value of the wrong type is the default";
    EXPECT_EQ(o.DownAfter, 3);
    EXPECT_EQ(o.UpAfter, 5) << "the values after a bad one are still read";
    EXPECT_FALSE(o.SilencedUntil.isValid());

    Put({Text("DownAfter", "0"), Text("UpAfter", "-2"), Text("HistoryDays", "0"),
         Text("MetricsFile", " /srv/textfile/zmping2.prom ")});
    EXPECT_EQ(TMonitorOptions::Load().DownAfter, 3);
    EXPECT_EQ(TMonitorOptions::Load().UpAfter, 2);
    EXPECT_EQ(TMonitorOptions::Load().HistoryDays, 30);
    EXPECT_EQ(TMonitorOptions::Load().MetricsFile, "/srv/textfile/zmping2.prom");
}

TEST(MonitorOptions, HubRemembersItsChoicesAndCapsAStoredSilenceAtAnHour)
{
    TTempConfig config;
    {
        TSampleHub hub;
        EXPECT_TRUE(hub.AlertsOn());
        EXPECT_FALSE(hub.AlarmSilenced());
        hub.SetAlertsOn(false);
        hub.SilenceAlarm(true);
    }
    {
        TSampleHub hub;
        EXPECT_FALSE(hub.AlertsOn());
        EXPECT_TRUE(hub.AlarmSilenced());
        hub.SilenceAlarm(false);
        EXPECT_FALSE(hub.AlarmSilenced());
    }
    Put({Text("SilencedUntil", "2099-01-01T00:00:00Z")});
    TSampleHub hub;
    ASSERT_TRUE(hub.AlarmSilenced());
    EXPECT_LE(QDateTime::currentDateTime().secsTo(hub.Options().SilencedUntil), 3600);
}
