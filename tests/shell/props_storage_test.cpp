// ctest-labels: unit
#include "shell/Placement.h"
#include "shell/PropsStorage.h"

#include <QLocale>
#include <QMap>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
// Every kind of property the converter handles.
class TKinds : public QObject {
    Q_OBJECT
public:
    enum TShape { stRectangle, stCircle, stRoundRect };
    Q_ENUM(TShape)
    enum TStyleFlag { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsBoldItalic = 3 };
    Q_DECLARE_FLAGS(TStyle, TStyleFlag)
    Q_FLAG(TStyle)

private:
    Q_PROPERTY(int Int MEMBER Int)
    Q_PROPERTY(char Char MEMBER Char)
    Q_PROPERTY(QChar WChar MEMBER WChar)
    Q_PROPERTY(TShape Shape MEMBER Shape)
    Q_PROPERTY(bool Bool MEMBER Bool)
    Q_PROPERTY(float Single MEMBER Single)
    Q_PROPERTY(double Double MEMBER Double)
    Q_PROPERTY(QByteArray Short MEMBER Short)
    Q_PROPERTY(QString Long MEMBER Long)
    Q_PROPERTY(TStyle Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(QVariant Var MEMBER Var)
    Q_PROPERTY(qlonglong Big MEMBER Big)
    Q_PROPERTY(QStringList Lines MEMBER Lines)
    Q_PROPERTY(QObject* Nested MEMBER Nested)
    Q_PROPERTY(QObject* Ref MEMBER Ref)
    Q_PROPERTY(QObject* Empty MEMBER Empty)
    Q_PROPERTY(TStoredValues* Items MEMBER Items)

public:
    explicit TKinds(QObject* parent = nullptr) : QObject(parent) {}
    int Int = 0;
    char Char = 'a';
    QChar WChar = QChar(0x15F);
    TShape Shape = stRectangle;
    bool Bool = false;
    float Single = 0;
    double Double = 0;
    QByteArray Short;
    QString Long;
    TStyle Style;
    TStyle GetStyle() const { return Style; }
    void SetStyle(TStyle s) { Style = s; }
    QVariant Var;
    qlonglong Big = 0;
    QStringList Lines;
    QObject* Nested = nullptr;
    QObject* Ref = nullptr;
    QObject* Empty = nullptr;
    TStoredValues* Items = nullptr;
};

class TNestedFont : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Size MEMBER Size)
    Q_PROPERTY(QString Name MEMBER Name)
public:
    using QObject::QObject;
    int Size = 8;
    QString Name = "MS Sans Serif";
};

// A store in memory that records the order of writes.
struct TMemStore {
    QMap<QString, QMap<QString, QString>> Sections;
    QStringList Writes;
    QStringList Erased;
    void Attach(TPropsStorage& ps)
    {
        ps.OnWriteString = [this](const QString& s, const QString& n, const QString& v) {
            Sections[s.toLower()][n.toLower()] = v;
            Writes << s + "/" + n + "=" + v;
        };
        ps.OnEraseSection = [this](const QString& s) {
            Sections.remove(s.toLower());
            Erased << s;
        };
        ps.OnReadString = [this](const QString& s, const QString& n, const QString& d) {
            const auto sec = Sections.find(s.toLower());
            if (sec == Sections.end() || !sec->contains(n.toLower()))
                return d;
            return sec->value(n.toLower());
        };
    }
};

QMetaProperty Prop(const QObject* o, const char* name)
{
    return o->metaObject()->property(o->metaObject()->indexOfProperty(name));
}

class PropsStorageTest : public ::testing::Test {
protected:
    PropsStorageTest()
    {
        Ps.Target = &Obj;
        Ps.Section = "S";
        Ps.Prefix = "P_";
        Store.Attach(Ps);
    }
    QString Saved(const char* prop)
    {
        Store.Writes.clear();
        Ps.SaveProperty(Prop(&Obj, prop));
        return Store.Writes.join(";");
    }
    void Load(const char* prop, const QString& text)
    {
        Store.Sections["s"]["p_" + QString(prop).toLower()] = text;
        Ps.LoadProperty(Prop(&Obj, prop));
    }
    TKinds Obj;
    TPropsStorage Ps;
    TMemStore Store;
};
} // namespace

TEST_F(PropsStorageTest, EachKindIsWrittenAsItsText)
{
    Obj.Int = -42;
    Obj.Char = 'z';
    Obj.Shape = TKinds::stRoundRect;
    Obj.Bool = true;
    Obj.Single = 1.f / 3;
    Obj.Double = 2.5e-7;
    Obj.Short = "  short  ";
    Obj.Long = "\t Arası \n";
    Obj.Style = TKinds::TStyle(TKinds::fsUnderline) | TKinds::fsBold;
    Obj.Var = 12.5;
    Obj.Big = -9000000000LL;
    EXPECT_EQ(Saved("Int"), "S/P_Int=-42");
    EXPECT_EQ(Saved("Char"), "S/P_Char=z");
    EXPECT_EQ(Saved("WChar"), "S/P_WChar=ş");
    EXPECT_EQ(Saved("Shape"), "S/P_Shape=stRoundRect");
    EXPECT_EQ(Saved("Bool"), "S/P_Bool=True");
    EXPECT_EQ(Saved("Single"), "S/P_Single=0.3333333");
    EXPECT_EQ(Saved("Double"), "S/P_Double=2.5e-07");
    EXPECT_EQ(Saved("Short"), "S/P_Short=short");
    EXPECT_EQ(Saved("Long"), "S/P_Long=Arası");
    EXPECT_EQ(Saved("Style"), "S/P_Style=[fsBold,fsUnderline]");
    EXPECT_EQ(Saved("Var"), "S/P_Var=12.5");
    EXPECT_EQ(Saved("Big"), "S/P_Big=-9000000000");
    Obj.Style = {};
    EXPECT_EQ(Saved("Style"), "S/P_Style=[]");
    Obj.Long.clear();
    EXPECT_EQ(Saved("Long"), "S/P_Long="); // an empty string is still written
    Obj.Var = QVariant();
    EXPECT_EQ(Saved("Var"), "");   // an unassigned variant is not
    EXPECT_EQ(Saved("Empty"), ""); // an object property holding no object writes nothing
}

TEST_F(PropsStorageTest, ReadTextsAreAppliedByKind)
{
    struct Case {
        const char* prop;
        QString text;
        std::function<QString(const TKinds&)> get;
        QString expected;
    } cases[] = {
        {"Bool", "true", [](auto& o) { return QString::number(o.Bool); }, "1"},
        {"Bool", "yes", [](auto& o) { return QString::number(o.Bool); }, "1"}, // unchanged
        {"Bool", "FALSE", [](auto& o) { return QString::number(o.Bool); }, "0"},
        {"Int", "12a", [](auto& o) { return QString::number(o.Int); }, "0"},
        {"Int", " 17 ", [](auto& o) { return QString::number(o.Int); }, "17"},
        {"Int", "-2147483648", [](auto& o) { return QString::number(o.Int); }, "-2147483648"},
        {"Int", "4294967301", [](auto& o) { return QString::number(o.Int); }, "0"}, // no wrap
        {"Int", "2147483647", [](auto& o) { return QString::number(o.Int); }, "2147483647"},
        {"Int", "2147483648", [](auto& o) { return QString::number(o.Int); }, "0"},
        {"Big", "-12345678901", [](auto& o) { return QString::number(o.Big); }, "-12345678901"},
        {"Big", "x", [](auto& o) { return QString::number(o.Big); }, "0"},
        {"Char", "", [](auto& o) { return QString(QChar(o.Char)); }, "a"},
        {"Char", "qrs", [](auto& o) { return QString(QChar(o.Char)); }, "q"},
        {"WChar", "ğx", [](auto& o) { return QString(o.WChar); }, "ğ"},
        {"Shape", "STCIRCLE", [](auto& o) { return QString::number(o.Shape); }, "1"},
        {"Shape", "stSquare", [](auto& o) { return QString::number(o.Shape); }, "1"},
        {"Double", "1.25", [](auto& o) { return QString::number(o.Double); }, "1.25"},
        {"Double", "abc", [](auto& o) { return QString::number(o.Double); }, "1.25"},
        {"Style", "[fsBold, fsUnderline]", [](auto& o) { return QString::number(o.Style.toInt()); },
         "5"},
        {"Style", "fsitalic,nothing ,, fsBoldItalic",
         [](auto& o) { return QString::number(o.Style.toInt()); }, "2"},
        {"Style", "[]", [](auto& o) { return QString::number(o.Style.toInt()); }, "0"},
        {"Long", "   padded  ", [](auto& o) { return o.Long; }, "padded"},
        {"Long", "", [](auto& o) { return o.Long; }, ""},
        {"Short", " bytes ", [](auto& o) { return QString(o.Short); }, "bytes"},
        {"Var", "text", [](auto& o) { return o.Var.typeName() + QString(":") + o.Var.toString(); },
         "QString:text"},
    };
    for (const Case& c : cases) {
        Load(c.prop, c.text);
        EXPECT_EQ(c.get(Obj).toStdString(), c.expected.toStdString())
            << c.prop << "=" << c.text.toStdString();
    }
}

TEST_F(PropsStorageTest, MissingValueKeepsThePropertyAndLoadingNeverRaises)
{
    Obj.Int = 5;
    Obj.Long = " keep ";
    Ps.LoadProperty(Prop(&Obj, "Int"));
    Ps.LoadProperty(Prop(&Obj, "Long"));
    EXPECT_EQ(Obj.Int, 5);
    EXPECT_EQ(Obj.Long, "keep"); // apart from trimming
    Ps.OnReadString = [](const QString&, const QString&, const QString&) -> QString {
        throw std::runtime_error("read failed");
    };
    Obj.Int = 9;
    EXPECT_NO_THROW(Ps.LoadProperty(Prop(&Obj, "Int")));
    EXPECT_EQ(Obj.Int, 9);
    Ps.OnWriteString = [](const QString&, const QString&, const QString&) {
        throw std::runtime_error("write failed");
    };
    EXPECT_THROW(Ps.SaveProperty(Prop(&Obj, "Int")), std::runtime_error);
}

TEST_F(PropsStorageTest, FloatTextsUseThePointWhateverTheLocale)
{
    const QLocale old;
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    Obj.Double = 1.5;
    EXPECT_EQ(Saved("Double"), "S/P_Double=1.5");
    Load("Double", "2.75");
    EXPECT_DOUBLE_EQ(Obj.Double, 2.75);
    QLocale::setDefault(old);
}

TEST_F(PropsStorageTest, StringListsLiveInTheirOwnSubsection)
{
    Obj.Lines = {"one", "two"};
    Ps.SaveProperty(Prop(&Obj, "Lines"));
    EXPECT_EQ(Store.Erased, QStringList{"S.P_Lines"});
    EXPECT_EQ(Store.Writes,
              QStringList({"S.P_Lines/Count=2", "S.P_Lines/Item0=one", "S.P_Lines/Item1=two"}));
    Obj.Lines = {"x"};
    Ps.LoadProperty(Prop(&Obj, "Lines"));
    EXPECT_EQ(Obj.Lines, QStringList({"one", "two"}));
    Obj.Lines.clear();
    Store.Writes.clear();
    Ps.SaveProperty(Prop(&Obj, "Lines"));
    EXPECT_TRUE(Store.Writes.isEmpty()); // only the subsection was deleted
    Obj.Lines = {"stays"};
    Ps.LoadProperty(Prop(&Obj, "Lines"));
    EXPECT_EQ(Obj.Lines, QStringList{"stays"});
}

TEST_F(PropsStorageTest, CollectionsStoreTheirCountAndEveryItem)
{
    TStoredValues items;
    Obj.Items = &items;
    items.Add()->SetName("A");
    items.Items(0)->SetValue("1");
    items.Add()->SetName("B");
    Ps.SaveProperty(Prop(&Obj, "Items"));
    EXPECT_EQ(Store.Writes.first(), "S/P_Items.Count=2");
    EXPECT_TRUE(Store.Writes.contains("S.P_Items/Item0_Name=A"));
    EXPECT_TRUE(Store.Writes.contains("S.P_Items/Item0_Value=1"));
    EXPECT_TRUE(Store.Writes.contains("S.P_Items/Item1_Name=B"));
    EXPECT_EQ(Store.Erased.join(";").toStdString(), "S.P_Items");
    EXPECT_EQ(Store.Writes.join(";").toStdString(),
              "S/P_Items.Count=2;S.P_Items/Item0_Name=A;S.P_Items/Item0_Value=1;"
              "S.P_Items/Item0_KeyString=;S.P_Items/Item1_Name=B;S.P_Items/Item1_KeyString=");

    TStoredValues other;
    other.Add()->SetName("Z");
    Obj.Items = &other;
    Ps.LoadProperty(Prop(&Obj, "Items"));
    ASSERT_EQ(other.Count(), 2);
    EXPECT_EQ(other.Items(0)->Name(), "A");
    EXPECT_EQ(other.Items(0)->Value().toString(), "1");
    EXPECT_EQ(other.Items(1)->Name(), "B");
}

TEST_F(PropsStorageTest, NestedObjectsAndReferences)
{
    auto* font = new TNestedFont(&Obj);
    Obj.Nested = font;
    font->Size = 12;
    Ps.SaveProperty(Prop(&Obj, "Nested"));
    EXPECT_EQ(Store.Writes, QStringList({"S/P_NestedSize=12", "S/P_NestedName=MS Sans Serif"}));
    font->Size = 1;
    Ps.LoadProperty(Prop(&Obj, "Nested"));
    EXPECT_EQ(font->Size, 12);

    QWidget form, form2;
    form.setObjectName("AnaF");
    form2.setObjectName("AyarF");
    auto* menu = new QObject(&form);
    menu->setObjectName("PopupMenu1");
    auto* far = new QObject(&form2);
    far->setObjectName("Ping1");
    Ps.ReferenceOwner = &form;
    Obj.Ref = menu;
    EXPECT_EQ(Saved("Ref"), "S/P_Ref=PopupMenu1");
    Obj.Ref = far;
    EXPECT_EQ(Saved("Ref"), "S/P_Ref=AyarF.Ping1");
    QWidget unnamed;
    auto* inUnnamed = new QObject(&unnamed);
    inUnnamed->setObjectName("X");
    Obj.Ref = inUnnamed;
    EXPECT_EQ(Saved("Ref"), "S/P_Ref=QWidget.X"); // the class name (only a leading T is dropped)

    Load("Ref", "popupmenu1");
    EXPECT_EQ(Obj.Ref, menu);
    Load("Ref", "ayarf.PING1");
    EXPECT_EQ(Obj.Ref, far);
    Load("Ref", "");
    EXPECT_EQ(Obj.Ref, far);
    Load("Ref", "(NULL)");
    EXPECT_EQ(Obj.Ref, nullptr);
    Obj.Ref = menu;
    Load("Ref", "NoSuchThing");
    EXPECT_EQ(Obj.Ref, nullptr);
}

TEST(PropsStorageLookup, PropertiesAreFoundByNameInAnyCase)
{
    TFormPlacement p(nullptr);
    EXPECT_STREQ(FindPublishedProperty(&p, "useregistry").name(), "UseRegistry");
    EXPECT_STREQ(FindPublishedProperty(&p, "OBJECTNAME").name(), "objectName");
    EXPECT_FALSE(FindPublishedProperty(&p, "Nothing").isValid());
    EXPECT_EQ(TrimText(QString("\x01\t x y \x1f") + QChar(0x20)), "x y");
    QString comp, prop;
    EXPECT_TRUE(SplitStoredProp(" A . B.C ", comp, prop));
    EXPECT_EQ(comp, "A");
    EXPECT_EQ(prop, "B.C");
    EXPECT_FALSE(SplitStoredProp("A.", comp, prop));
}

TEST(PropsStorageLookup, PlacementPropertiesRoundTripThroughTheirTexts)
{
    TFormPlacement a(nullptr), b(nullptr);
    a.SetOptions(TPlacementOptions(fpState) | fpActiveControl);
    a.SetRegistryRoot(TFormPlacement::prUsers);
    a.MinMaxInfo()->SetMinTrackWidth(120);
    QMap<QString, QString> store;
    TPropsStorage save;
    save.Target = &a;
    save.OnWriteString = [&](const QString&, const QString& n, const QString& v) { store[n] = v; };
    save.SaveProperties();
    EXPECT_EQ(store["Options"], "[fpState,fpActiveControl]");
    EXPECT_EQ(store["RegistryRoot"], "prUsers");
    EXPECT_EQ(store["MinMaxInfoMinTrackWidth"], "120");
    TPropsStorage load;
    load.Target = &b;
    load.OnReadString = [&](const QString&, const QString& n, const QString& d) {
        return store.value(n, d);
    };
    load.LoadProperties();
    EXPECT_EQ(b.Options(), a.Options());
    EXPECT_EQ(b.RegistryRoot(), TFormPlacement::prUsers);
    EXPECT_EQ(b.MinMaxInfo()->MinTrackWidth(), 120);
}

#include "props_storage_test.moc"
