#include "old_profile.h"

#include <cstdint>
#include <string_view>

#include "sample_installation.h"

namespace samplegen {
namespace {

// Written as a user's long-lived file would look: keys the converter does
// not know, a blank-padded line, a Chinese proxy name and folders.
constexpr std::string_view kUserConfig = R"([General]
Language=2052
DiskCacheFlushSize=16
DiskCacheTotalSize=512
MinimizeToTray=1
[Proxy]
HttpProxy=Proxy0
FtpProxy=
MMSProxy=
ServerProxy=
ProxyCount=2
Proxy0ProxyName=公司代理
Proxy0ProxyAddress=10.1.2.3
Proxy0ProxyPort=8080
Proxy0ProxyStyle=1
Proxy0ProxyID=0
Proxy0UserName=zhang.san
Proxy0Password=c2VjcmV0LXBhc3M=
Proxy1ProxyName=Home SOCKS
Proxy1ProxyAddress=192.168.1.1
Proxy1ProxyPort=1080
Proxy1ProxyStyle=2
Proxy1ProxyID=1
Proxy1UserName=
Proxy1Password=
[Connect]
TCPPort=3076
UDPPort=15000
LimitSpeed=1
MaxSpeed = 800
LimitUploadSpeed=1
MaxUploadSpeed=50
iIsLimitGlobalConnection=1
MaxGlobalConnection=300
[BtGenericSettings]
BtUpDuration=7200
AutoBTNewTask=1
DHT=1
[EMuleGenericSettings]
EMuleNickName=[CHN]沃岚用户
EMuleED2kEnable=1
EMuleKADEnable=0
EMuleListenPort=4662
EMuleKADPort=4672
EMuleUpDuration=900
UseAutoUploadMode=1
EMuleCryptOption=2
EMuleCredit=1
EMuleCompress=1
EMuleAICH=0
EMuleIdentify=1
EMuleAutoLink=1
[Monitor]
ExtendNames=.avi;.mp3;.rar;.zip;.exe;.torrent;.mkv;
MonitorClipBoard=0
[TaskDefaultSettings]
OrignHostThreads=8
NewTaskStartMode=0
OpenFile=1
UseLastCategory=1
DefaultFolder=C:\下载\
[NewTaskDir]
newtask=C:\下载\|C:\下载\电影\||C:\Downloads\Software|D:\Music\|C:\下载\|
)";

const char* const kDownloadFolders[] = {"C:\\下载", "C:\\下载\\电影", "C:\\Downloads\\Software",
                                         nullptr};

std::string Bencode(const std::string& text) { return std::to_string(text.size()) + ":" + text; }
std::string Bencode(long long number) { return "i" + std::to_string(number) + "e"; }

void PutLe(std::string* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string OldUserConfig() {
  std::string crlf;
  for (char c : kUserConfig) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return Utf8ToGbk(crlf);
}

const char* const* DownloadFolders() { return kDownloadFolders; }

std::string Torrent(const std::string& name, const std::map<std::string, long long>& files) {
  constexpr long long kPieceLength = 262144;
  long long total = 0;
  std::string fileList = "l";
  for (const auto& [path, size] : files) {
    total += size;
    std::string pathList = "l";
    size_t start = 0;
    for (size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
      pathList += Bencode(path.substr(start, slash - start));
    pathList += Bencode(path.substr(start)) + "e";
    fileList += "d" + Bencode("length") + Bencode(size) + Bencode("path") + pathList + "e";
  }
  fileList += "e";
  long long pieces = (total + kPieceLength - 1) / kPieceLength;
  std::string hashes;
  for (long long i = 0; i < pieces * 20; ++i) hashes += static_cast<char>((i * 131 + name.size()) & 0xFF);
  return "d" + Bencode("announce") + Bencode("http://tracker.example.org:6969/announce") +
         Bencode("created by") + Bencode("Vorlake 5.9") + Bencode("creation date") + Bencode(1262304000) +
         Bencode("info") + "d" + Bencode("files") + fileList + Bencode("name") + Bencode(name) +
         Bencode("piece length") + Bencode(kPieceLength) + Bencode("pieces") + Bencode(hashes) + "ee";
}

std::vector<SeedFile> DefaultSeeds() {
  return {
      {"Big Buck Bunny.torrent", "Big Buck Bunny", {{"Big Buck Bunny.mp4", 276134947}, {"poster.jpg", 310380}}},
      {"[字幕组]纪录片合集.torrent", "[字幕组]纪录片合集",
       {{"第01集.mkv", 734003200}, {"第02集.mkv", 729808896}, {"字幕/第01集.ass", 48213}}},
      {"debian-12.5.0-amd64-netinst.iso.torrent", "debian-12.5.0-amd64-netinst.iso",
       {{"debian-12.5.0-amd64-netinst.iso", 659554304}}},
  };
}

std::string ServerMet() {
  struct Server {
    uint8_t ip[4];
    uint16_t port;
    const char* name;
  };
  const Server servers[] = {{{91, 200, 42, 46}, 1176, "eMule Security"},
                            {{176, 103, 48, 36}, 4184, "GrupoTS Server"},
                            {{45, 82, 80, 155}, 5687, "TV Underground"}};
  std::string out(1, '\x0E');
  PutLe(&out, std::size(servers), 4);
  for (const Server& s : servers) {
    out.append(reinterpret_cast<const char*>(s.ip), 4);
    PutLe(&out, s.port, 2);
    PutLe(&out, 1, 4);    // one tag:
    out += '\x02';        //   a string
    PutLe(&out, 1, 2);    //   with a one-byte name,
    out += '\x01';        //   the server name
    PutLe(&out, std::string_view(s.name).size(), 2);
    out += s.name;
  }
  return out;
}

std::map<std::string, std::string> EmuleProfile() {
  std::string emptyMet(1, '\x0E');
  PutLe(&emptyMet, 0, 4);
  return {
      {"config/preferences.ini", "[eMule]\r\nNick=[CHN]yourname\r\nPort=4662\r\nUDPPort=4672\r\n"},
      {"config/known.met", emptyMet},
      {"config/clients.met", emptyMet},
      {"config/staticservers.dat", "91.200.42.46:1176,1,eMule Security\r\n"},
      {"Temp/001.part.met", std::string("\xE0\x00\x00\x00\x00", 5)},
  };
}

}  // namespace samplegen
