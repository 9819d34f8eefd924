#include "net/icmp.h"

#include "framework/Events.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct StatusText {
    int Code;
    const char* Text;
};

constexpr StatusText kStatusTexts[] = {
    {0, "No error"},
    {11001, "Buffer too small"},
    {11002, "Destination network unreachable"},
    {11003, "Destination host unreachable"},
    {11004, "Destination protocol unreachable"},
    {11005, "Destination port unreachable"},
    {11006, "No resources"},
    {11007, "Bad option"},
    {11008, "Hardware error"},
    {11009, "Packet too big"},
    {11010, "Request timed out"},
    {11011, "Bad request"},
    {11012, "Bad route"},
    {11013, "TTL expired in transit"},
    {11014, "TTL expired in reassembly"},
    {11015, "Parameter problem"},
    {11016, "Source quench"},
    {11017, "Option too big"},
    {11018, "Bad Destination"},
    {11019, "Address deleted"},
    {11020, "Spec MTU change"},
    {11021, "MTU change"},
    {11050, "General failure"},
    {11255, "Pending"},
};

// Shared between a waiting engine and the lookup worker, which may outlive the wait.
struct PendingLookup {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    HostLookup Result;
};

Clock::time_point After(Clock::time_point from, int milliseconds)
{
    return from + std::chrono::milliseconds(std::max(milliseconds, 0));
}

} // namespace

QString IcmpErrorText(int code)
{
    for (const StatusText& s : kStatusTexts) {
        if (s.Code == code)
            return QString::fromLatin1(s.Text);
    }
    return QStringLiteral("ICMP error #") + QString::number(code);
}

void FillIcmpPayload(std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t textSize = sizeof(kIcmpPayloadText) - 1;
    std::memset(data, 0x20, size);
    std::memcpy(data, kIcmpPayloadText, std::min(size, textSize));
}

QString IcmpPermissionMessage(int error, const QString& program)
{
    return QString::fromLatin1(kErrPingHandle) +
           QStringLiteral("\n\nThe system refused an ICMP socket: %1.\n\n"
                          "To allow pinging, either let your group use ICMP echo sockets:\n"
                          "    sudo sysctl -w net.ipv4.ping_group_range=\"%2 %2\"\n"
                          "(put the setting in /etc/sysctl.d/ to keep it after a restart),\n"
                          "or let the program open raw ICMP sockets:\n"
                          "    sudo setcap cap_net_raw+ep %3")
               .arg(QString::fromLocal8Bit(std::strerror(error)))
               .arg(::getgid())
               .arg(program);
}

std::unique_ptr<IcmpLayer> OpenIcmpLayerOrExplain()
{
    int error = 0;
    std::unique_ptr<IcmpLayer> layer = OpenIcmpLayer(IcmpSocketKind::Auto, &error);
    if (!layer) {
        std::error_code ec;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
        throw TICMPException(IcmpPermissionMessage(
            error, ec ? QStringLiteral("ZmPing2") : QString::fromStdString(self.string())));
    }
    return layer;
}

TICMP::TICMP() : TICMP(OpenIcmpLayerOrExplain()) {}

TICMP::TICMP(std::unique_ptr<IcmpLayer> layer, std::shared_ptr<HostResolver> resolver)
    : FLayer(std::move(layer)), FResolver(std::move(resolver))
{
    if (!FLayer)
        throw TICMPException(QString::fromLatin1(kErrPingHandle));
    if (!FResolver)
        FResolver = SystemHostResolver();
}

TICMP::~TICMP() = default; // closes the socket

void TICMP::SetAddress(const QString& value)
{
    if (value == FAddress)
        return;
    FAddress = value;
    FAddressResolved = false;
}

void TICMP::SetPreferIPv6(bool value)
{
    if (value == FPreferIPv6)
        return;
    FPreferIPv6 = value;
    FAddressResolved = false;
}

void TICMP::ResolveAddress()
{
    ResolveUntil(After(Clock::now(), FTimeout));
}

HostLookup TICMP::LookupUntil(const std::string& name, Clock::time_point deadline)
{
    auto pending = std::make_shared<PendingLookup>();
    const int started = FResolver->RunDetached([pending, resolver = FResolver, name] {
        HostLookup r = resolver->Lookup(name);
        {
            std::lock_guard lock(pending->Mutex);
            pending->Result = std::move(r);
            pending->Finished = true;
        }
        pending->Done.notify_all();
    });
    HostLookup r;
    if (started != 0) {
        r.Error = started;
        return r;
    }
    std::unique_lock lock(pending->Mutex);
    if (!pending->Done.wait_until(lock, deadline, [&] { return pending->Finished; })) {
        r.Error = WinSock::WSATRY_AGAIN; // still running: give up, the worker finishes alone
        return r;
    }
    return pending->Result;
}

void TICMP::ResolveUntil(Clock::time_point deadline)
{
    HostAddress literal;
    const LiteralKind kind = ParseAddressLiteral(FAddress, &literal);
    if (kind == LiteralKind::Address) {
        FHost = literal;
        FHostName = FAddress;
    } else {
        FHost = HostAddress{};
        FIPAddress = kNoAddress;
        HostLookup r;
        if (kind == LiteralKind::Name && IsLookupText(FAddress)) {
            r = LookupUntil(FAddress.toStdString(), deadline);
        } else {
            if (kind != LiteralKind::Name)
                Fire(OnDisplay, this, LiteralFailureText(kind, FAddress));
            r.Error = WinSock::WSAHOST_NOT_FOUND;
        }
        if (r.Error != 0) {
            FLastError = r.Error;
            Fire(OnDisplay, this, QStringLiteral("Unable to resolve ") + FAddress);
            return;
        }
        FHost = r.Pick(FPreferIPv6);
        FHostName = r.OfficialName.empty() ? FAddress : QString::fromStdString(r.OfficialName);
    }
    FIPAddress = FHost.V6 ? 0 : FHost.V4;
    FHostIP = AddressText(FHost);
    FAddressResolved = true;
}

int TICMP::Ping()
{
    const std::unique_ptr<TEchoJob> job = BeginEcho();
    if (!job)
        return 0;
    return EndEcho(*job, RunEcho(*job));
}

std::unique_ptr<TEchoJob> TICMP::BeginEcho()
{
    FLastError = 0;
    FCallStart = Clock::now();
    FResolvedNow = false;
    if (!FAddressResolved) {
        ResolveUntil(After(FCallStart, FTimeout));
        FResolvedNow = true;
    }
    if (!FHost.Usable()) {
        FLastError = IcmpStatus::BadDestination;
        Fire(OnDisplay, this, QStringLiteral("Invalid host address"));
        return nullptr;
    }

    auto job = std::make_unique<TEchoJob>();
    const bool sizeOk = FSize >= 0 && FSize <= kIcmpMaxSize;
    const std::size_t size = sizeOk ? static_cast<std::size_t>(FSize) : 0;
    job->ReceiveSize = IcmpReceiveAreaSize(size);
    // The two buffers of a send: request data, and reply record followed by the received packet.
    job->Request = std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::size_t>(size, 1));
    job->ReplyBuffer =
        std::make_unique_for_overwrite<std::uint8_t[]>(kIcmpReplyRecordSize + job->ReceiveSize);
    FillIcmpPayload(job->Request.get(), size);
    std::memset(job->ReplyBuffer.get(), 0, kIcmpReplyRecordSize);

    if (!sizeOk || FTimeout < 0)
        job->Refused = IcmpStatus::BadReq;
    else if ((FTTL & 0xFF) == 0)
        job->Refused = IcmpStatus::BadOption; // no packet can leave with a TTL of 0
    IcmpEchoParams& p = job->Params;
    p.Address = FIPAddress;
    p.V6 = FHost.V6;
    p.Address6 = FHost.Ip6;
    p.Data = job->Request.get();
    p.Size = static_cast<std::uint16_t>(size);
    p.Ttl = static_cast<std::uint8_t>(FTTL & 0xFF);
    p.Flags = static_cast<std::uint8_t>(FFlags & 0xFF);

    Fire(OnEchoRequest, this);
    // A lookup made by this call has used part of the time-out already.
    p.Deadline = After(FResolvedNow ? FCallStart : Clock::now(), FTimeout);
    return job;
}

IcmpEchoResult TICMP::RunEcho(TEchoJob& job, int cancelFd)
{
    if (job.Refused != 0) {
        IcmpEchoResult r;
        r.Error = job.Refused;
        return r;
    }
    job.Params.CancelFd = cancelFd;
    return FLayer->Echo(job.Params, job.ReplyBuffer.get() + kIcmpReplyRecordSize, job.ReceiveSize);
}

int TICMP::EndEcho(const TEchoJob& job, const IcmpEchoResult& r)
{
    const int result = r.Replies;
    TIcmpEchoReply record{};
    if (result > 0) {
        FLastError = static_cast<int>(r.Status);
        record.Address = r.From;
        FReplyAddress6 = r.From6;
        record.Status = r.Status;
        const std::int64_t ms = std::max<std::int64_t>(r.RoundTripNs, 0) / 1000000;
        record.RoundTripTime = static_cast<std::uint32_t>(
            std::min<std::int64_t>(ms, std::numeric_limits<std::uint32_t>::max()));
        record.DataSize = r.DataSize;
        record.Options.TTL = r.Ttl;
        record.Options.TOS = r.Tos;
        record.Options.Flags = r.Flags;
        FLastRoundTripNs = r.RoundTripNs;
    } else {
        FLastError = r.Error != 0 ? r.Error : IcmpStatus::GeneralFailure;
        record.Status = static_cast<std::uint32_t>(FLastError);
        FLastRoundTripNs = -1;
        FReplyAddress6 = {};
    }
    std::memcpy(job.ReplyBuffer.get(), &record, kIcmpReplyRecordSize);
    std::memcpy(&FReply, job.ReplyBuffer.get(), kIcmpReplyRecordSize);

    Fire(OnEchoReply, this, result);
    return result;
}
