<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="tr_TR">
<context>
    <name>Framework</name>
    <message>
        <source>Klasör açılamadı (%1).
Klasörün yolu:
%2</source>
        <translation>The folder could not be opened (%1).
The folder&apos;s path:
%2</translation>
    </message>
    <message>
        <source>dosya yöneticisi yok</source>
        <translation>no file manager</translation>
    </message>
    <message>
        <source>Alarm sesi çalınamıyor: %1
Yerine masaüstünün uyarı sesi çalıyor.</source>
        <translation>The alarm sound cannot be played: %1
The desktop&apos;s beep sounds instead.</translation>
    </message>
    <message>
        <source>ses çalacak program yok (aplay, paplay ya da pw-play)</source>
        <translation>no program to play it (aplay, paplay or pw-play)</translation>
    </message>
</context>
<context>
    <name>Monitor</name>
    <message>
        <source>Kapali</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Host yok</source>
        <translation>No host</translation>
    </message>
    <message>
        <source>%1 Arası normal</source>
        <translation>Normal between %1</translation>
    </message>
    <message>
        <source>Otomatik Ping Açık</source>
        <translation>Auto Ping On</translation>
    </message>
    <message>
        <source>Otomatik Ping Kapalı</source>
        <translation>Auto Ping Off</translation>
    </message>
    <message>
        <source>Host Adresi Girmelisiniz</source>
        <translation>You must enter a host address</translation>
    </message>
    <message>
        <source>%1 sn</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 dk %2 sn</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 sa %2 dk</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>Kayıt dosyası yazılamıyor: %1</source>
        <translation>Cannot write a record file: %1</translation>
    </message>
    <message>
        <source>%%1</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>Oturum</source>
        <translation>Session</translation>
    </message>
    <message>
        <source>Son %1 örnek</source>
        <translation>Last %1 samples</translation>
    </message>
    <message>
        <source>Gönderilen</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>Alınan</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>Kayıp</source>
        <translation>Lost</translation>
    </message>
    <message>
        <source>En düşük</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>Ortalama</source>
        <translation>Average</translation>
    </message>
    <message>
        <source>En yüksek</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>Standart sapma</source>
        <translation>Standard deviation</translation>
    </message>
    <message>
        <source>95. yüzdelik</source>
        <translation>95th percentile</translation>
    </message>
    <message>
        <source>Titreşim (jitter)</source>
        <translation>Jitter</translation>
    </message>
    <message>
        <source>ZmPing2 - İstatistikler</source>
        <translation>ZmPing2 - Statistics</translation>
    </message>
    <message>
        <source>Son 100 yankıda kayıp %%1</source>
        <translation>Loss over the last 100 echoes %1%</translation>
    </message>
    <message>
        <source>, ortalama %1 ms</source>
        <translation>, average %1 ms</translation>
    </message>
    <message>
        <source>Bağlantı kesik</source>
        <translation>Line down</translation>
    </message>
    <message>
        <source>ZmPing2 çalışmıyor</source>
        <translation>ZmPing2 is not running</translation>
    </message>
    <message>
        <source>yanıt %1 ms, sınır %2 ms</source>
        <translation>reply in %1 ms, limit %2 ms</translation>
    </message>
    <message>
        <source>ad bulunamadı</source>
        <translation>name not found</translation>
    </message>
    <message>
        <source>ağ hatası</source>
        <translation>network error</translation>
    </message>
    <message>
        <source>ağ hatası: %1</source>
        <translation>network error: %1</translation>
    </message>
    <message>
        <source>yanıt yok</source>
        <translation>no reply</translation>
    </message>
    <message>
        <source>%1: bağlantı kesildi (%2)</source>
        <translation>%1: line down (%2)</translation>
    </message>
    <message>
        <source>%1: bağlantı geri geldi (kesinti %2)</source>
        <translation>%1: line back up (down for %2)</translation>
    </message>
    <message>
        <source>%1: bu bilgisayarın ağ bağlantısı yok</source>
        <translation>%1: this computer has no network connection</translation>
    </message>
    <message>
        <source>iyi</source>
        <translation>good</translation>
    </message>
    <message>
        <source>düşük</source>
        <translation>poor</translation>
    </message>
    <message>
        <source>henüz bilinmiyor</source>
        <translation>not known yet</translation>
    </message>
    <message>
        <source>Arama kalitesi (son %1 döngü): MOS %2, %3</source>
        <translation>Call quality (last %1 cycles): MOS %2, %3</translation>
    </message>
    <message>
        <source>%1: bağlantı kalitesi düştü (MOS %2)</source>
        <translation>%1: call quality dropped (MOS %2)</translation>
    </message>
    <message>
        <source>%1: bağlantı kalitesi düzeldi (MOS %2)</source>
        <translation>%1: call quality recovered (MOS %2)</translation>
    </message>
</context>
<context>
    <name>Shell</name>
    <message>
        <source>Oturum açılınca başlat</source>
        <translation>Start at log-in</translation>
    </message>
</context>
<context>
    <name>TAnaF</name>
    <message>
        <source>Ayarlar (F5)</source>
        <translation>Settings (F5)</translation>
    </message>
    <message>
        <source>Gizle (Esc)</source>
        <translation>Hide (Esc)</translation>
    </message>
    <message>
        <source>Kapat</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Ayarlar	F5</source>
        <translation>Settings	F5</translation>
    </message>
    <message>
        <source>Programı Kapat </source>
        <translation>Quit Program </translation>
    </message>
    <message>
        <source>Göster</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>Yanıt süresi</source>
        <translation>Round-trip time</translation>
    </message>
    <message>
        <source>Bağlantı durumu</source>
        <translation>Connection status</translation>
    </message>
    <message>
        <source>İyi</source>
        <translation>Good</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Kötü</source>
        <translation>Bad</translation>
    </message>
    <message>
        <source>Kapalı</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Yanıt süreleri</source>
        <translation>Round-trip times</translation>
    </message>
</context>
<context>
    <name>TAyarF</name>
    <message>
        <source>Ayarlar</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Ping</source>
        <translation>Ping</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>&amp;Ping</source>
        <translation>&amp;Ping</translation>
    </message>
    <message>
        <source>&amp;Vazgeç</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source> Zaman Ayarları </source>
        <translation> Times </translation>
    </message>
    <message>
        <source>ms Aşağısı iyi</source>
        <translation>ms: faster is good</translation>
    </message>
    <message>
        <source>ms Yukarısı Kötü</source>
        <translation>ms: slower is bad</translation>
    </message>
    <message>
        <source>ms Time Out</source>
        <translation>ms Time Out</translation>
    </message>
    <message>
        <source>Bağlantı kötü ise alarm ver</source>
        <translation>Alarm when the line is bad</translation>
    </message>
    <message>
        <source>Otomatik Ping</source>
        <translation>Auto Ping</translation>
    </message>
    <message>
        <source>Ping Aralığı</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>Sn</source>
        <translation>s</translation>
    </message>
    <message>
        <source> Ping Paketi </source>
        <translation> Ping Packet </translation>
    </message>
    <message>
        <source>Byte</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>Her Zaman Üstte</source>
        <translation>Always on Top</translation>
    </message>
    <message>
        <source>Kapat</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Günlük</source>
        <translation>Log</translation>
    </message>
</context>
<context>
    <name>THistoryF</name>
    <message>
        <source>ZEMBRA Ping - Geçmiş</source>
        <translation>ZEMBRA Ping - History</translation>
    </message>
    <message>
        <source>Rapor olarak kaydet</source>
        <translation>Save as report</translation>
    </message>
    <message>
        <source>PDF belgesi (*.pdf)</source>
        <translation>PDF document (*.pdf)</translation>
    </message>
    <message>
        <source>Sunucu:</source>
        <translation>Host:</translation>
    </message>
    <message>
        <source>Sunucu</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>Son bir saat</source>
        <translation>Last hour</translation>
    </message>
    <message>
        <source>Son bir gün</source>
        <translation>Last day</translation>
    </message>
    <message>
        <source>Son bir hafta</source>
        <translation>Last week</translation>
    </message>
    <message>
        <source>Son 30 gün</source>
        <translation>Last 30 days</translation>
    </message>
    <message>
        <source>Aralık</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>Rapor olarak kaydet…</source>
        <translation>Save as report…</translation>
    </message>
    <message>
        <source>Gösterilen aralığın raporu: PDF ve yanında CSV (Ctrl+S)</source>
        <translation>A report of the range shown: PDF with CSV beside it (Ctrl+S)</translation>
    </message>
    <message>
        <source>%v / %m gün</source>
        <translation>%v / %m days</translation>
    </message>
    <message>
        <source>Kesintiler</source>
        <translation>Outages</translation>
    </message>
    <message>
        <source>Başlangıç</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Bitiş</source>
        <translation>End</translation>
    </message>
    <message>
        <source>Süre</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Neden</source>
        <translation>Cause</translation>
    </message>
    <message>
        <source>Geçmiş okunuyor…</source>
        <translation>Reading the history…</translation>
    </message>
    <message>
        <source>Özet deposu kullanılamıyor: %1</source>
        <translation>The summary store cannot be used: %1</translation>
    </message>
    <message>
        <source>%1 bozuk satır atlandı</source>
        <translation>%1 damaged lines skipped</translation>
    </message>
    <message>
        <source>%1 (sürüyor)</source>
        <translation>%1 (ongoing)</translation>
    </message>
    <message>
        <source>Gösterilen aralıkta %1 kesinti, toplam %2,
en uzun %3; erişilebilirlik %4</source>
        <translation>In the range shown %1 outages, %2 in all,
the longest %3; availability %4</translation>
    </message>
    <message>
        <source>Geçmiş henüz okunmadı</source>
        <translation>The history has not been read yet</translation>
    </message>
    <message>
        <source>Rapor kaydedildi: %1</source>
        <translation>Report saved: %1</translation>
    </message>
    <message>
        <source>Rapor kaydedilemedi: %1</source>
        <translation>The report could not be saved: %1</translation>
    </message>
</context>
<context>
    <name>THistoryGraph</name>
    <message>
        <source>Geçmiş grafiği</source>
        <translation>History graph</translation>
    </message>
    <message>
        <source>  ortanca %1  (en az %2, en çok %3; %4–%5)</source>
        <translation>  median %1  (min %2, max %3; %4–%5)</translation>
    </message>
    <message>
        <source>  kayıp %1 / %2</source>
        <translation>  lost %1 / %2</translation>
    </message>
    <message>
        <source>  kesinti %1 – %2</source>
        <translation>  outage %1 – %2</translation>
    </message>
</context>
<context>
    <name>THistoryPlot</name>
    <message>
        <source>program çalışmıyordu</source>
        <translation>program not running</translation>
    </message>
    <message>
        <source>otomatik ping kapalıydı</source>
        <translation>automatic pinging off</translation>
    </message>
    <message>
        <source>bilgisayar uykudaydı</source>
        <translation>computer asleep</translation>
    </message>
    <message>
        <source>başka sunucu izleniyordu</source>
        <translation>another host monitored</translation>
    </message>
</context>
<context>
    <name>TIstatistikF</name>
    <message>
        <source>ZEMBRA Ping - İstatistikler</source>
        <translation>ZEMBRA Ping - Statistics</translation>
    </message>
    <message>
        <source>İstatistikler</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source> Bağlantı </source>
        <translation> Connection </translation>
    </message>
    <message>
        <source>Metin olarak &amp;kopyala</source>
        <translation>&amp;Copy as text</translation>
    </message>
</context>
<context>
    <name>TMetricsFileDialog</name>
    <message>
        <source>Prometheus ölçüm dosyası</source>
        <translation>Prometheus metrics file</translation>
    </message>
    <message>
        <source>Her ölçümden sonra yazılacak dosya (örneğin
/var/lib/prometheus/node-exporter/zmping2.prom).
Boş bırakılırsa ölçüm dosyası yazılmaz.</source>
        <translation>The file written after every sample (for example
/var/lib/prometheus/node-exporter/zmping2.prom).
Left empty, no metrics file is written.</translation>
    </message>
    <message>
        <source>&amp;Gözat...</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>Prometheus ölçümleri (*.prom)</source>
        <translation>Prometheus metrics (*.prom)</translation>
    </message>
</context>
<context>
    <name>TMonitorMenu</name>
    <message>
        <source>İstatistikler</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>Alarmı bir saat sustur</source>
        <translation>Silence the alarm for an hour</translation>
    </message>
    <message>
        <source>Bağlantı uyarıları</source>
        <translation>Line alerts</translation>
    </message>
    <message>
        <source>IPv6 adresini tercih et</source>
        <translation>Prefer the IPv6 address</translation>
    </message>
    <message>
        <source>Geçmiş klasörünü aç</source>
        <translation>Open the history folder</translation>
    </message>
    <message>
        <source>Prometheus ölçüm dosyası...</source>
        <translation>Prometheus metrics file...</translation>
    </message>
    <message>
        <source>Dosyanın tam yolunu yazın (/ ile başlayan).</source>
        <translation>Write the full path of the file (starting with /).</translation>
    </message>
    <message>
        <source>Klasör yok: %1</source>
        <translation>No such folder: %1</translation>
    </message>
    <message>
        <source>Klasöre yazılamıyor: %1</source>
        <translation>Cannot write into the folder: %1</translation>
    </message>
    <message>
        <source>Geçmiş</source>
        <translation>History</translation>
    </message>
</context>
<context>
    <name>TReportPdf</name>
    <message>
        <source>Sunucu: %1</source>
        <translation>Host: %1</translation>
    </message>
    <message>
        <source>Adres: %1</source>
        <translation>Address: %1</translation>
    </message>
    <message>
        <source>Aralık: %1 – %2</source>
        <translation>Range: %1 – %2</translation>
    </message>
    <message>
        <source>Gönderilen: %1   Kayıp: %2   Kayıp oranı: %3</source>
        <translation>Sent: %1   Lost: %2   Loss: %3</translation>
    </message>
    <message>
        <source>Ortanca: %1   95. yüzdelik: %2   Titreşim: %3</source>
        <translation>Median: %1   95th percentile: %2   Jitter: %3</translation>
    </message>
    <message>
        <source>Erişilebilirlik: %1</source>
        <translation>Availability: %1</translation>
    </message>
    <message>
        <source>Kesintiler: %1   toplam %2   en uzun %3</source>
        <translation>Outages: %1   in all %2   longest %3</translation>
    </message>
    <message>
        <source>ZmPing2 bağlantı raporu</source>
        <translation>ZmPing2 connection report</translation>
    </message>
    <message>
        <source>Kesinti listesi (başlangıç – bitiş, süre, neden):</source>
        <translation>Outages (start – end, duration, cause):</translation>
    </message>
    <message>
        <source>Bu aralıkta kesinti yok.</source>
        <translation>No outages in this range.</translation>
    </message>
    <message>
        <source>… ve %1 kesinti daha (CSV dosyasında)</source>
        <translation>… and %1 more outages (in the CSV file)</translation>
    </message>
    <message>
        <source>ZmPing2 %1 ile hazırlandı, %2</source>
        <translation>Made with ZmPing2 %1, %2</translation>
    </message>
</context>
<context>
    <name>TSpinButton</name>
    <message>
        <source>Artır</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>Azalt</source>
        <translation>Down</translation>
    </message>
</context>
</TS>
