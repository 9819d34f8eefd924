// ctest-labels: gui
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(SingleInstance, SecondCopyKnocksAndTheFirstComesForward)
{
    const QString key = QStringLiteral("zmping2-test-%1").arg(getpid());
    TSingleInstance first(key);
    EXPECT_FALSE(first.AnotherIsRunning());
    ASSERT_TRUE(first.Listen());
    int activations = 0;
    first.OnActivate = [&] { ++activations; };

    // The second copy talks to the first from another thread, as another process would.
    bool found = false;
    QThread* second = QThread::create([&] {
        TSingleInstance copy(key);
        found = copy.AnotherIsRunning();
    });
    second->start();
    for (int i = 0; i < 200 && (activations == 0 || second->isRunning()); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    second->wait();
    delete second;
    EXPECT_TRUE(found);
    EXPECT_EQ(activations, 1);
}

TEST(SingleInstance, LeftOverSocketOfACrashedCopyIsTakenOver)
{
    const QString key = QStringLiteral("zmping2-test-stale-%1").arg(getpid());
    {
        TSingleInstance gone(key);
        ASSERT_TRUE(gone.Listen());
    }
    TSingleInstance next(key);
    EXPECT_FALSE(next.AnotherIsRunning());
    EXPECT_TRUE(next.Listen());
}
