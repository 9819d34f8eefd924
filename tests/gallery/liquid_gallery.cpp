// Pictures of the liquid-crystal readout as a person sees it: the program's own readout on its
// black panel, every kind, style and colour scheme, turned readouts, hover states and the
// transparent modes. Usage: liquid_gallery DIR
#include "GalleryMain.h"
#include "controls/LiquidIndicator.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEnterEvent>
#include <QMetaEnum>
#include <QPainter>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Setup = std::function<void(TLiquidIndicator&)>;

// The readout in a parent of the given colour, loaded, its posted rebuilds run, optionally with
// the pointer over it; the parent's picture.
QImage Shot(const Setup& setup, QColor parentColor, QSize parentSize, QPoint at, bool hover = false)
{
    QWidget parent;
    parent.resize(parentSize);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, parentColor);
    parent.setPalette(pal);
    parent.setAutoFillBackground(true);
    auto* lcd = new TLiquidIndicator(&parent);
    lcd->move(at);
    setup(*lcd);
    lcd->Loaded();
    if (hover) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(lcd, &enter);
    }
    QCoreApplication::sendPostedEvents(lcd, TLiquidIndicator::CM_REBUILD);
    return parent.grab().toImage();
}

// The program's readout `Sure` in its black panel (217 wide, at (6, 3)).
void Sure(TLiquidIndicator& s, const QString& text)
{
    s.setGeometry(6, 3, 165, 33);
    s.SetColorScheme(TLiquidIndicator::csWhite);
    s.SetSignNumber(8);
    s.SetIndicatorWidth(165);
    s.SetIndicatorHeight(33);
    s.SetIndicatorstring(text);
    s.SetIndicatorKind(TLiquidIndicator::ik5x7matrix);
    s.SetBevelColor(clBlack);
    s.SetBackColor(clWhite);
    s.SetNumberForeColor(clLime);
    s.SetNumberForeColor1(clBlack);
    s.SetNumberBackColor(clBlack);
    s.SetIndicatorStyle(TLiquidIndicator::isThick);
    s.SetTransparentMode(TLiquidIndicator::tmBackOnly);
}

QImage Zoom(const QImage& img, int factor)
{
    return img.scaled(img.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// Pictures one under the other, each with its caption, on a grey sheet.
QImage Sheet(const std::vector<std::pair<QString, QImage>>& rows, int zoom)
{
    const int captionWidth = 260, pad = 8;
    int width = 0, height = pad;
    for (const auto& [caption, img] : rows) {
        width = std::max(width, captionWidth + img.width() * zoom + 2 * pad);
        height += img.height() * zoom + pad;
    }
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(QColor(200, 200, 200));
    QPainter p(&sheet);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    int y = pad;
    for (const auto& [caption, img] : rows) {
        p.setPen(Qt::black);
        p.drawText(QRect(pad, y, captionWidth - pad, img.height() * zoom), Qt::AlignVCenter,
                   caption);
        p.drawImage(captionWidth + pad, y, Zoom(img, zoom));
        y += img.height() * zoom + pad;
    }
    return sheet;
}

bool Save(const QImage& img, const QString& dir, const QString& name)
{
    const QString path = QDir(dir).filePath(name);
    const bool ok = img.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

template <class E> QString Key(E value)
{
    return QString::fromLatin1(QMetaEnum::fromType<E>().valueToKey(value));
}

const char* KindName(Lcd::TLcdIndicatorKind k)
{
    return k == Lcd::ik7segment   ? "ik7segment"
           : k == Lcd::ik9segment ? "ik9segment"
                                  : "ik5x7matrix";
}

const char* StyleName(Lcd::TLcdIndicatorStyle s)
{
    return s == Lcd::isThin ? "isThin" : s == Lcd::isNormal ? "isNormal" : "isThick";
}

} // namespace

int main(int argc, char** argv)
{
    return RunGallery(argc, argv, [](const QString& dir) {
        bool ok = true;

        // The program's readout on its black panel.
        std::vector<std::pair<QString, QImage>> program;
        for (const char* text : {"0000", "15 ms", "123 ms", "Time out", "Kapali"}) {
            const QImage img =
                Shot([&](TLiquidIndicator& s) { Sure(s, QString::fromLatin1(text)); }, Qt::black,
                     QSize(217, 41), QPoint(6, 3));
            program.emplace_back(QStringLiteral("Sure: \"%1\"").arg(QString::fromLatin1(text)),
                                 img);
            QString file = QString::fromLatin1(text).replace(QLatin1Char(' '), QLatin1Char('_'));
            ok &= Save(img, dir, QStringLiteral("liquid_sure_%1.png").arg(file));
        }
        ok &= Save(Sheet(program, 3), dir, QStringLiteral("liquid_sure_x3.png"));

        // Every kind and style, default colours.
        std::vector<std::pair<QString, QImage>> kinds;
        for (const auto kind : {Lcd::ik7segment, Lcd::ik9segment, Lcd::ik5x7matrix})
            for (const auto style : {Lcd::isThin, Lcd::isNormal, Lcd::isThick}) {
                const QString text = kind == Lcd::ik5x7matrix  ? QStringLiteral("Ab:9-%z")
                                     : kind == Lcd::ik9segment ? QStringLiteral("12:34.5-E")
                                                               : QStringLiteral("-12.34,5bE");
                kinds.emplace_back(
                    QStringLiteral("%1 %2 \"%3\"").arg(KindName(kind), StyleName(style), text),
                    Shot(
                        [&](TLiquidIndicator& s) {
                            s.SetIndicatorKind(kind);
                            s.SetIndicatorStyle(style);
                            s.SetIndicatorstring(text);
                        },
                        QColor(200, 200, 200), QSize(180, 44), QPoint(4, 4)));
            }
        ok &= Save(Sheet(kinds, 2), dir, QStringLiteral("liquid_kinds_styles.png"));

        // Every colour scheme.
        std::vector<std::pair<QString, QImage>> schemes;
        const QMetaEnum schemeEnum = QMetaEnum::fromType<Lcd::TLcdColorScheme>();
        for (int i = 0; i < schemeEnum.keyCount(); ++i) {
            const auto scheme = Lcd::TLcdColorScheme(schemeEnum.value(i));
            for (const auto kind : {Lcd::ik7segment, Lcd::ik5x7matrix})
                schemes.emplace_back(QStringLiteral("%1 %2").arg(schemeEnum.key(i), KindName(kind)),
                                     Shot(
                                         [&](TLiquidIndicator& s) {
                                             s.Loaded();
                                             s.SetColorScheme(scheme);
                                             s.SetIndicatorKind(kind);
                                             s.SetIndicatorstring(kind == Lcd::ik5x7matrix
                                                                      ? QStringLiteral("Ping 42")
                                                                      : QStringLiteral("-88.8.8"));
                                         },
                                         QColor(200, 200, 200), QSize(180, 44), QPoint(4, 4)));
        }
        ok &= Save(Sheet(schemes, 2), dir, QStringLiteral("liquid_schemes.png"));

        // Turned readouts on a navy parent: 0, 45 and 90 degrees (the control is shaped to the
        // turned rectangle, so the parent shows around it).
        std::vector<std::pair<QString, QImage>> angles;
        for (const int angle : {0, 450, 900, 1800, 2700, 300}) {
            angles.emplace_back(QStringLiteral("IndicatorAngle %1").arg(angle),
                                Shot(
                                    [&](TLiquidIndicator& s) {
                                        s.Loaded();
                                        s.SetIndicatorstring(QStringLiteral("12.5"));
                                        s.SetSignNumber(6);
                                        s.SetIndicatorAngle(angle);
                                    },
                                    QColor(0, 0, 128), QSize(190, 190), QPoint(8, 8)));
        }
        ok &= Save(Sheet(angles, 1), dir, QStringLiteral("liquid_angles.png"));

        // Hover: each MouseAction with the pointer away and over the control.
        std::vector<std::pair<QString, QImage>> hover;
        const char* actions[] = {"maNone", "maColor", "maWidth", "maBoth"};
        for (const auto kind : {Lcd::ik7segment, Lcd::ik5x7matrix})
            for (int a = 0; a < 4; ++a)
                for (const bool inside : {false, true})
                    hover.emplace_back(QStringLiteral("%1 %2 %3")
                                           .arg(KindName(kind), actions[a],
                                                inside ? "pointer over" : "pointer away"),
                                       Shot(
                                           [&](TLiquidIndicator& s) {
                                               s.SetIndicatorKind(kind);
                                               s.SetMouseAction(Lcd::TLcdMouseAction(a));
                                               s.SetIndicatorstring(kind == Lcd::ik5x7matrix
                                                                        ? QStringLiteral("Hover")
                                                                        : QStringLiteral("1234.5"));
                                           },
                                           QColor(200, 200, 200), QSize(180, 44), QPoint(4, 4),
                                           inside));
        ok &= Save(Sheet(hover, 2), dir, QStringLiteral("liquid_hover.png"));

        // The transparent modes of the program's readout on a navy panel instead of its black one,
        // and materials.
        std::vector<std::pair<QString, QImage>> modes;
        for (const auto mode : {Lcd::tmNone, Lcd::tmBackOnly, Lcd::tmAll})
            modes.emplace_back(QStringLiteral("Sure \"123 ms\", %1").arg(Key(mode)),
                               Shot(
                                   [&](TLiquidIndicator& s) {
                                       Sure(s, QStringLiteral("123 ms"));
                                       s.SetTransparentMode(mode);
                                   },
                                   QColor(0, 0, 128), QSize(217, 41), QPoint(6, 3)));
        QImage material(16, 16, QImage::Format_RGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                material.setPixelColor(x, y, QColor(90 + 8 * x, 120 + 4 * y, 160 - 6 * y));
        QImage fore(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                fore.setPixelColor(x, y,
                                   (x + y) % 4 < 2 ? QColor(250, 220, 40) : QColor(240, 120, 20));
        for (const auto mode : {Lcd::mmStretch, Lcd::mmTile})
            for (const auto shadow : {Lcd::msmDark, Lcd::msmLight, Lcd::msmNone})
                modes.emplace_back(QStringLiteral("materials, %1, %2").arg(Key(mode), Key(shadow)),
                                   Shot(
                                       [&](TLiquidIndicator& s) {
                                           s.SetBackMaterial(material);
                                           s.SetForeMaterial(fore);
                                           s.SetMaterialMode(mode);
                                           s.SetForeMaterialMode(mode);
                                           s.SetMaterialShadowMode(shadow);
                                           s.SetIndicatorstring(QStringLiteral("-12.34"));
                                       },
                                       QColor(200, 200, 200), QSize(180, 44), QPoint(4, 4)));
        ok &= Save(Sheet(modes, 2), dir, QStringLiteral("liquid_modes_materials.png"));

        return ok;
    });
}
