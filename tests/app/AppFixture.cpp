#include "AppFixture.h"

#include "framework/MessageBox.h"
#include "framework/Sound.h"
#include "monitor/DesktopNotifier.h"

#include "support/WaitFor.h"

#include <QCoreApplication>

void AppFixture::SetUp()
{
    ASSERT_TRUE(Config.isValid());
    qputenv("XDG_CONFIG_HOME", Config.path().toLocal8Bit());
    SetMessageBoxHook([this](const QString& text) { Messages << text; });
    SetSoundHook([this](const QString& path) { Sounds << path; });
    Monitor::SetNotifyHook([this](const QString&, const QString& body) { Notices << body; });
    Resolver = std::make_shared<FakeResolver>();
}

void AppFixture::TearDown()
{
    Ayar.reset();
    Main.reset();
    if (Resolver)
        Resolver->DropHeld();
    SetMessageBoxHook({});
    SetSoundHook({});
    Monitor::SetNotifyHook({});
}

void AppFixture::Build()
{
    Main = std::make_unique<TAnaF>(std::make_unique<TFakeNotifyIcon>(Journal));
    auto layer = std::make_unique<FakeIcmpLayer>();
    Layer = layer.get();
    auto ping = std::make_unique<TPing>(nullptr, std::move(layer), Resolver);
    Ayar = std::make_unique<TAyarF>(Main.get(), std::move(ping));
    Main->SetAyarF(Ayar.get());
}

void AppFixture::Start()
{
    if (!Main)
        Build();
    Main->show();
}

void AppFixture::Pump()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    // The echo is waited for on a worker: let its reply come in.
    if (Ayar)
        WaitFor([this] { return !Ayar->Ping1->EchoOutstanding(); });
}
