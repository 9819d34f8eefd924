// ctest-labels: unit
#include "StoreTestForm.h"

#include "framework/AtomicFile.h"
#include "framework/MessageBox.h"
#include "framework/ProfileFile.h"
#include "framework/RegistryFile.h"
#include "shell/Placement.h"
#include "support/FileCallCounter.h"
#include "support/ReadOnlyFolder.h"
#include "support/TempConfig.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
const QString Key = "HKEY_CURRENT_USER\\Software\\ZmPing2\\TAyarF";

class FormStorageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxHook([this](const QString& text) { Messages << text; });
        TRegistryFile::SetBrokenFileReporter([this](const QString& text) { Messages << text; });
    }
    void TearDown() override
    {
        SetMessageBoxHook({});
        TRegistryFile::SetBrokenFileReporter({});
    }

    // The settings window's storage: registry, no placement, the ten lines.
    TFormStorage* MakeStorage(TSettingsTestForm& form)
    {
        auto* s = new TFormStorage(&form);
        s->setObjectName("FormStorage1");
        s->SetUseRegistry(true);
        s->SetIniFileName("Software\\ZmPing2");
        s->SetIniSection("TAyarF");
        s->SetOptions({});
        s->SetStoredProps(TSettingsTestForm::TenLines());
        s->Loaded();
        return s;
    }

    static void SetReg(const QString& name, const QString& text)
    {
        TRegistryFile().Modify([&](TRegistryData& d) {
            d.CreateKey(Key);
            TRegValue v;
            v.Name = name;
            v.Text = text;
            d.SetValue(Key, v);
            return true;
        });
    }
    static void SetRegDword(const QString& name, uint32_t value)
    {
        TRegistryFile().Modify([&](TRegistryData& d) {
            d.CreateKey(Key);
            TRegValue v;
            v.Name = name;
            v.Type = REG_DWORD;
            v.Dword = value;
            d.SetValue(Key, v);
            return true;
        });
    }
    static QList<TRegValue> Values()
    {
        const TRegistryData d = TRegistryFile().Read();
        const TRegKey* k = d.FindKey(Key);
        return k ? k->Values : QList<TRegValue>();
    }
    static QString Text(const QString& name)
    {
        const TRegistryData d = TRegistryFile().Read();
        const TRegValue* v = d.FindValue(Key, name);
        return v ? v->Text : QString("<missing>");
    }
    static QByteArray FileBytes()
    {
        QByteArray b;
        ReadWholeFile(TRegistryFile::DefaultPath(), b);
        return b;
    }

    TTempConfig Config;
    QStringList Messages;
};
} // namespace

TEST_F(FormStorageTest, FirstRunCreatesTheKeyAndTheFirstSaveWritesElevenStrings)
{
    TSettingsTestForm form;
    TFormStorage* s = MakeStorage(form);
    s->LoadFromStore();
    EXPECT_TRUE(s->Restored());
    EXPECT_FALSE(s->Saved());
    EXPECT_TRUE(form.Log.isEmpty()); // nothing changed in the window
    const TRegistryData d = TRegistryFile().Read();
    ASSERT_NE(d.FindKey("HKEY_CURRENT_USER\\Software\\ZmPing2"), nullptr);
    EXPECT_EQ(d.FindKey(Key), nullptr);

    form.HostEdit->SetText("  host.example  ");
    s->SaveToStore();
    EXPECT_TRUE(s->Saved());
    const QList<TRegValue> values = Values();
    QStringList names;
    for (const TRegValue& v : values) {
        names << v.Name;
        EXPECT_EQ(v.Type, uint32_t(REG_SZ)) << v.Name.toStdString();
    }
    EXPECT_EQ(names,
              QStringList({"FormVersion", "CheckBoxPing_Checked", "SpinEdit1_Value",
                           "SpinEdit3_Value", "SpinEditALT_Value", "SpinEditUST_Value",
                           "CheckBoxAlarm_Checked", "Label7_Caption", "SpinEditPingSize_Value",
                           "CheckBoxStay_Checked", "HostEdit_Text"}));
    QStringList texts;
    for (const TRegValue& v : values)
        texts << v.Text;
    EXPECT_EQ(texts, QStringList({"0", "False", "5", "1000", "200", "700", "True",
                                  "200-700 ms Arası normal", "32", "False", "host.example"}));
}

TEST_F(FormStorageTest, ASaveWritesEachFileOnce)
{
    TSettingsTestForm form;
    TFormStorage* s = MakeStorage(form);
    s->LoadFromStore();
    s->SaveToStore();
    QWidget window;
    auto* placement = new TFormPlacement(&window);
    placement->SetIniFileName("ZmPing2.INI");
    placement->Loaded();
    window.show();
    placement->SaveToStore();

    // Eleven values, then the placement values: each save one replacement of its file (the
    // temporary file and the folder flushed, one rename).
    form.SpinEdit3->SetValue(1234);
    TFileCalls before = FileCalls();
    s->SaveToStore();
    EXPECT_EQ(FileCalls().Fsyncs - before.Fsyncs, 2);
    EXPECT_EQ(FileCalls().Renames - before.Renames, 1);
    EXPECT_EQ(Text("SpinEdit3_Value"), "1234");
    window.move(window.x() + 7, window.y());
    before = FileCalls();
    placement->SaveToStore();
    EXPECT_EQ(FileCalls().Fsyncs - before.Fsyncs, 2);
    EXPECT_EQ(FileCalls().Renames - before.Renames, 1);
}

TEST_F(FormStorageTest, StoredTextsAreAppliedThroughTheControlsSetters)
{
    struct Case {
        const char* name;
        const char* text;
        std::function<QString(TSettingsTestForm&)> get;
        const char* expected;
    } cases[] = {
        {"CheckBoxPing_Checked", "true",
         [](auto& f) { return QString::number(f.CheckBoxPing->Checked()); }, "1"},
        {"CheckBoxPing_Checked", "TRUE",
         [](auto& f) { return QString::number(f.CheckBoxPing->Checked()); }, "1"},
        {"CheckBoxPing_Checked", "yes",
         [](auto& f) { return QString::number(f.CheckBoxPing->Checked()); }, "0"},
        {"CheckBoxAlarm_Checked", "fAlSe",
         [](auto& f) { return QString::number(f.CheckBoxAlarm->Checked()); }, "0"},
        {"CheckBoxAlarm_Checked", "1",
         [](auto& f) { return QString::number(f.CheckBoxAlarm->Checked()); }, "1"},
        {"SpinEdit1_Value", "12a", [](auto& f) { return QString::number(f.SpinEdit1->Value()); },
         "1"},
        {"SpinEdit1_Value", "5000", [](auto& f) { return QString::number(f.SpinEdit1->Value()); },
         "999"},
        {"SpinEdit3_Value", "abc", [](auto& f) { return QString::number(f.SpinEdit3->Value()); },
         "0"},
        {"SpinEdit3_Value", " 250 ", [](auto& f) { return QString::number(f.SpinEdit3->Value()); },
         "250"},
        {"HostEdit_Text", "  10.0.0.1 \t", [](auto& f) { return f.HostEdit->Text(); }, "10.0.0.1"},
        {"HostEdit_Text", "", [](auto& f) { return f.HostEdit->Text(); }, ""},
        {"Label7_Caption", "x", [](auto& f) { return f.Label7->Caption(); }, "x"},
    };
    for (const Case& c : cases) {
        TRegistryFile().Modify([](TRegistryData& d) { return d.DeleteKey(Key); });
        SetReg(c.name, c.text);
        TSettingsTestForm form;
        TFormStorage* s = MakeStorage(form);
        s->LoadFromStore();
        EXPECT_EQ(c.get(form), c.expected) << c.name << "=" << c.text;
    }
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(FormStorageTest, ChangedValuesRunTheHandlersInListOrder)
{
    SetReg("CheckBoxPing_Checked", "True");
    SetReg("SpinEdit1_Value", "7");
    SetReg("SpinEditALT_Value", "150");
    SetReg("SpinEditUST_Value", "650");
    SetReg("Label7_Caption", "stored caption");
    SetReg("SpinEditPingSize_Value", "32"); // unchanged: no handler
    SetReg("CheckBoxStay_Checked", "True");
    TSettingsTestForm form;
    MakeStorage(form)->LoadFromStore();
    EXPECT_EQ(form.Log, QStringList({"CheckBoxPingClick", "SpinEdit1Change", "SpinEditUSTChange",
                                     "SpinEditUSTChange", "CheckBoxStayClick"}));
    // The stored caption replaces the one the threshold handler composed.
    EXPECT_EQ(form.Label7->Caption(), "stored caption");
}

TEST_F(FormStorageTest, VersionBelowTheStoragesLoadsNothingButAllowsSaving)
{
    SetReg("FormVersion", "-1");
    SetReg("SpinEdit1_Value", "9");
    TSettingsTestForm form;
    TFormStorage* s = MakeStorage(form);
    s->LoadFromStore();
    EXPECT_EQ(form.SpinEdit1->Value(), 5);
    EXPECT_TRUE(s->Restored());
    s->SaveToStore();
    EXPECT_EQ(Text("FormVersion"), "0");
    EXPECT_EQ(Text("SpinEdit1_Value"), "5");
}

TEST_F(FormStorageTest, ADwordSettingStaysWhileTheOthersLoad)
{
    SetRegDword("SpinEdit1_Value", 42);
    SetReg("SpinEdit3_Value", "2000");
    SetReg("HostEdit_Text", "h");
    TSettingsTestForm form;
    MakeStorage(form)->LoadFromStore();
    EXPECT_EQ(form.SpinEdit1->Value(), 5);
    EXPECT_EQ(form.SpinEdit3->Value(), 2000);
    EXPECT_EQ(form.HostEdit->Text(), "h");
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(FormStorageTest, VersionOfAnotherTypeStopsTheLoadAndBlocksSaving)
{
    SetRegDword("FormVersion", 0);
    SetReg("SpinEdit1_Value", "9");
    TSettingsTestForm form;
    TFormStorage* s = MakeStorage(form);
    form.show(); // the show hook loads, reports, and the show goes on
    EXPECT_EQ(Messages, QStringList{"Invalid data type for 'FormVersion'"});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Log, QStringList{"FormShow"});
    EXPECT_EQ(form.SpinEdit1->Value(), 5);
    EXPECT_FALSE(s->Restored());
    const QByteArray before = FileBytes();
    form.close();
    s->SaveToStore();
    EXPECT_EQ(FileBytes(), before);
    EXPECT_FALSE(s->Saved());
}

TEST_F(FormStorageTest, HooksLoadBeforeShowAndSaveAfterAnAllowedCloseRequest)
{
    TSettingsTestForm form;
    TFormStorage* s = MakeStorage(form);
    SetReg("SpinEdit3_Value", "3000");
    form.show();
    EXPECT_EQ(form.SpinEdit3->Value(), 3000);
    EXPECT_EQ(form.Log, QStringList({"SpinEdit3Change", "FormShow"}));

    form.SpinEdit3->SetValue(4000);
    form.hide(); // hiding (Esc) saves nothing
    EXPECT_EQ(Text("SpinEdit3_Value"), "3000");

    form.show(); // a change not saved is replaced by the stored value at the next show
    EXPECT_EQ(form.SpinEdit3->Value(), 3000);

    form.SpinEdit3->SetValue(4000);
    form.VetoClose = true;
    EXPECT_FALSE(form.close());
    EXPECT_EQ(Text("SpinEdit3_Value"), "3000");
    form.VetoClose = false;
    form.HideOnClose = true; // a close turned into hiding still saves
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(Text("SpinEdit3_Value"), "4000");
    EXPECT_TRUE(s->Saved());
    EXPECT_EQ(form.Log.mid(form.Log.lastIndexOf("FormClose")), QStringList{"FormClose"});
}

TEST_F(FormStorageTest, DestroyHookSavesOnlyWhenNothingWasSavedSinceTheLoad)
{
    {
        TSettingsTestForm form;
        TFormStorage* s = MakeStorage(form);
        s->LoadFromStore();
        form.SpinEdit3->SetValue(1234);
        s->FormDestroyHook();
    }
    EXPECT_EQ(Text("SpinEdit3_Value"), "1234");
    {
        // Not called by the form: the storage saves when the application winds down.
        TSettingsTestForm form;
        TFormStorage* s = MakeStorage(form);
        s->LoadFromStore();
        form.SpinEdit3->SetValue(77);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        EXPECT_TRUE(s->Saved());
    }
    EXPECT_EQ(Text("SpinEdit3_Value").toStdString(), "77");
    {
        TSettingsTestForm form;
        TFormStorage* s = MakeStorage(form);
        s->LoadFromStore();
        s->SaveToStore();
        form.SpinEdit3->SetValue(88);
        s->FormDestroyHook(); // saved since the load: nothing more
    }
    EXPECT_EQ(Text("SpinEdit3_Value").toStdString(), "77");
}

TEST_F(FormStorageTest, ReadOnlyFolderShowsTheErrorAndLosesNothing)
{
    {
        TSettingsTestForm form;
        TFormStorage* s = MakeStorage(form);
        s->LoadFromStore();
        form.SpinEdit3->SetValue(1500);
        s->SaveToStore();
    }
    const QByteArray before = FileBytes();
    const auto out = RunWithReadOnlyFolder(Config.Folder(), [this] {
        QStringList shown;
        SetMessageBoxHook([&](const QString& t) { shown << t; });
        TSettingsTestForm form;
        TFormStorage* s = MakeStorage(form);
        form.show();
        form.SpinEdit3->SetValue(9999);
        form.close();
        QStringList r;
        r << QString::number(form.isVisible()) << QString::number(s->Saved()) << shown;
        s->FormDestroyHook(); // tried again at destruction, reported again
        r << shown.mid(1);
        SetMessageBoxHook({});
        return r.join('|');
    });
    if (!out)
        GTEST_SKIP() << "cannot make a read-only folder here";
    const QString failed =
        "Failed to set data for 'FormVersion' (" + TRegistryFile::DefaultPath() + ": ";
    const QStringList parts = out->split('|');
    ASSERT_EQ(parts.size(), 4) << out->toStdString();
    EXPECT_EQ(parts[0] + parts[1], "00");
    EXPECT_TRUE(parts[2].startsWith(failed) && parts[2].endsWith(")")) << out->toStdString();
    EXPECT_EQ(parts[3], parts[2]);
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(Text("SpinEdit3_Value"), "1500");
}

TEST_F(FormStorageTest, CorruptRegistryFileIsKeptAsideAndDefaultsAreUsed)
{
    QDir().mkpath(Config.Folder());
    AtomicWriteFile(TRegistryFile::DefaultPath(), QByteArray("\x00\x01garbage", 9));
    TSettingsTestForm form;
    TFormStorage* s = MakeStorage(form);
    form.show();
    EXPECT_EQ(Messages.size(), 1);
    EXPECT_EQ(form.SpinEdit3->Value(), 1000);
    form.close();
    EXPECT_EQ(Text("SpinEdit3_Value"), "1000");
    EXPECT_TRUE(s->Saved());
    EXPECT_EQ(QDir(Config.Folder()).entryList({"registry.reg.broken-*"}).size(), 1);
}

TEST_F(FormStorageTest, FolderWhereTheRegistryFileShouldBeIsKeptAsideNeverReplaced)
{
    QDir().mkpath(TRegistryFile::DefaultPath() + "/inside");
    TSettingsTestForm form;
    TFormStorage* s = MakeStorage(form);
    form.show();
    EXPECT_EQ(form.SpinEdit3->Value(), 1000); // the defaults
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].contains("not a regular file")) << Messages[0].toStdString();
    form.close();
    EXPECT_TRUE(s->Saved());
    EXPECT_EQ(Text("SpinEdit3_Value"), "1000");
    const QStringList aside = QDir(Config.Folder()).entryList({"registry.reg.broken-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(QFileInfo(Config.Folder() + "/" + aside[0] + "/inside").isDir());
}

TEST_F(FormStorageTest, StoredPropsAreResolvedAndNormalised)
{
    TSettingsTestForm form;
    auto* s = new TFormStorage(&form);
    s->SetUseRegistry(true);
    s->SetIniFileName("Software\\ZmPing2");
    s->SetIniSection("TAyarF");
    s->SetOptions({});
    s->SetStoredProps({" checkboxping . CHECKED ", "NoDot", "Missing.Value", ".Value",
                       "SpinEdit1.NoSuchProperty", "hostedit.text"});
    s->Loaded();
    EXPECT_EQ(s->StoredProps(), QStringList({" checkboxping . CHECKED ", "SpinEdit1.NoSuchProperty",
                                             "hostedit.text"}));
    form.HostEdit->setObjectName("HostEdit2");
    s->LoadFromStore();
    s->SaveToStore();
    EXPECT_EQ(s->StoredProps(),
              QStringList({"CheckBoxPing.CHECKED", "SpinEdit1.NoSuchProperty", "HostEdit2.text"}));
    // Value names carry the property as declared: TCheckBox's "Checked", QLineEdit's "text".
    QStringList names;
    for (const TRegValue& v : Values())
        names << v.Name;
    EXPECT_EQ(names, QStringList({"FormVersion", "CheckBoxPing_Checked", "HostEdit2_text"}));
    delete form.HostEdit;
    EXPECT_EQ(s->StoredProps(), QStringList({"CheckBoxPing.CHECKED", "SpinEdit1.NoSuchProperty"}));
}

TEST_F(FormStorageTest, StoredValuesAreScrambledWithTheirKey)
{
    EXPECT_EQ(XorEncode("k", "ab"), "0a09");
    EXPECT_EQ(XorDecode("k", "0a09"), "ab");
    EXPECT_EQ(XorDecode("k", "zz0a9"), QString(QChar(32 ^ 'k')) + "a"); // bad pair: 32; odd tail
    const QString text = "Şifre 123";
    EXPECT_EQ(XorDecode("key", XorEncode("key", text)), text);

    TSettingsTestForm form;
    auto* s = MakeStorage(form);
    TStoredValue* plain = s->StoredValues()->Add();
    plain->SetName("Plain");
    plain->SetValue(42);
    TStoredValue* secret = s->StoredValues()->Add();
    secret->SetName("Secret");
    secret->SetKeyString("k");
    secret->SetValue("ab");
    secret->OnSave = [](TStoredValue*, QVariant& v) { v = v.toString() + "!"; };
    EXPECT_THROW(secret->SetName("PLAIN"), EListError);
    s->LoadFromStore();
    EXPECT_EQ(secret->Value().toString(), "ab");
    s->SaveToStore();
    EXPECT_EQ(Text("Plain"), "42");
    EXPECT_EQ(Text("Secret"), XorEncode("k", "ab!"));
    plain->SetValue(0);
    secret->OnRestore = [](TStoredValue*, QVariant& v) { v = "<" + v.toString() + ">"; };
    s->LoadFromStore();
    EXPECT_EQ(plain->Value().toString(), "42");
    EXPECT_EQ(secret->Value().toString(), "<ab!>");
}

TEST_F(FormStorageTest, ProfileStoreWrapsQuotedTextsAndNamesItsFileAfterTheProgram)
{
    TSettingsTestForm form;
    auto* s = new TFormStorage(&form);
    s->SetOptions({});
    EXPECT_EQ(s->DefaultIniFileName(),
              QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".INI");
    EXPECT_EQ(s->DefaultSection(), "TSettingsTestForm");
    EXPECT_EQ(s->DefaultRegistryKey(),
              "Software\\" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    s->SetIniFileName("t.ini");
    for (const char* text : {"\"quoted\"", "'single'", "\"", "plain \"inside\" text"}) {
        s->WriteStoreString("S", "N", text);
        EXPECT_EQ(s->ReadStoreString("S", "N", ""), text);
    }
    EXPECT_EQ(GetPrivateProfileString("S", "N", "", Config.Folder() + "/t.ini"),
              "plain \"inside\" text");
    s->WriteStoreInteger("I", 0x10);
    EXPECT_EQ(s->ReadStoreInteger("I", 0), 16);
}
