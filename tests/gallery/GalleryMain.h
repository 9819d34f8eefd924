#pragma once
#include <QApplication>
#include <QDir>
#include <QString>
#include <cstdio>
#include <functional>

// The frame of every picture program: off-screen unless a platform is chosen, the folder the
// pictures go to as its one argument, and an exit status that tells whether every picture was
// written.
inline int RunGallery(int argc, char** argv, const std::function<bool(const QString& dir)>& write)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "%s: cannot create %s\n", argv[0], argv[1]);
        return 1;
    }
    return write(dir) ? 0 : 1;
}
