// Any stored text, applied to a property of each kind: never a fault, and what the property
// then writes is applied back to the same text.
#include "shell/PropsStorage.h"

#include <QMetaProperty>
#include <QObject>
#include <QVariant>
#include <cstdint>
#include <cstdlib>

class TFuzzKinds : public QObject {
    Q_OBJECT
public:
    enum TShape { stRectangle, stCircle, stRoundRect };
    Q_ENUM(TShape)
    enum TStyleFlag { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
    Q_DECLARE_FLAGS(TStyle, TStyleFlag)
    Q_FLAG(TStyle)

    Q_PROPERTY(int Int MEMBER Int)
    Q_PROPERTY(uint UInt MEMBER UInt)
    Q_PROPERTY(short Short MEMBER Short)
    Q_PROPERTY(uchar Byte MEMBER Byte)
    Q_PROPERTY(char Char MEMBER Char)
    Q_PROPERTY(QChar WChar MEMBER WChar)
    Q_PROPERTY(TShape Shape MEMBER Shape)
    Q_PROPERTY(bool Bool MEMBER Bool)
    Q_PROPERTY(float Single MEMBER Single)
    Q_PROPERTY(double Double MEMBER Double)
    Q_PROPERTY(QByteArray Bytes MEMBER Bytes)
    Q_PROPERTY(QString Text MEMBER Text)
    Q_PROPERTY(TStyle Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(QVariant Var MEMBER Var)
    Q_PROPERTY(qlonglong Big MEMBER Big)
    Q_PROPERTY(qulonglong UBig MEMBER UBig)

public:
    int Int = 0;
    uint UInt = 0;
    short Short = 0;
    uchar Byte = 0;
    char Char = 'a';
    QChar WChar = QChar(0x15F);
    TShape Shape = stRectangle;
    bool Bool = false;
    float Single = 0;
    double Double = 0;
    QByteArray Bytes;
    QString Text;
    TStyle Style;
    TStyle GetStyle() const { return Style; }
    void SetStyle(TStyle s) { Style = s; }
    QVariant Var;
    qlonglong Big = 0;
    qulonglong UBig = 0;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    TFuzzKinds obj;
    TPropsStorage ps;
    ps.Target = &obj;
    const QMetaObject* mo = obj.metaObject();
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QMetaProperty prop = mo->property(i);
        ps.SetPropText(prop, text);
        const QString written = ps.GetPropText(prop);
        ps.SetPropText(prop, written);
        const QString again = ps.GetPropText(prop);
        // A float may take one more step to settle on its shortest text.
        if (prop.metaType().id() == QMetaType::Float || prop.metaType().id() == QMetaType::Double) {
            ps.SetPropText(prop, again);
            if (ps.GetPropText(prop) != again)
                std::abort();
        } else if (again != written) {
            std::abort();
        }
    }
    return 0;
}

#include "prop_text_fuzz.moc"
