#include "tools/pack/publish.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "package/md5.h"
#include "tools/pack/native_names.h"
#include "tools/pack/pack_folder.h"
#include "tools/pack/progress_bar.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kBarThreshold = 16ull << 20;
// The installer's text fields are 260-byte buffers; the profile reader keeps 259 bytes.
constexpr size_t kFieldMax = 259;
// [config] addresses are read into a 999-byte buffer.
constexpr size_t kListAddressMax = 998;
// size is stored in KB as a signed 32-bit number.
constexpr uint64_t kSizeMaxMB = 2097151;
// The default directory on the usual system drive; the drive letter never changes its length.
const char kDefaultDirPrefix[] = "C:\\Program Files\\";

const char kHelp[] =
    "usage: tandrel-pack publish <client folder> -o <web root> --base-url URL\n"
    "         --game NAME --exe FILE --title TITLE --licence URL --uninst FILE\n"
    "         --publisher TEXT --contact TEXT [--version V]\n"
    "\n"
    "Packs <client folder> and writes the tree an update server serves as is:\n"
    "  <web root>/update/online_setup.txt     setup configuration (GBK)\n"
    "  <web root>/update/list-<hash>.ini      update list: download the package, DEC\n"
    "  <web root>/update/<game>-<hash>.pkg    the encrypted package\n"
    "The installer is built with -DTANDREL_SETUP_URL=<base-url>/update/online_setup.txt.\n"
    "\n"
    "  --base-url URL    absolute http:// or https:// address the tree is served under\n"
    "  --game NAME       product name: install folder, Start-menu group, uninstall entry\n"
    "  --exe FILE        the client program, a .exe directly inside the folder\n"
    "  --title TITLE     exact title of the client's main window (closed before updates)\n"
    "  --licence URL     absolute address of the licence agreement (--license works too)\n"
    "  --uninst FILE     the uninstaller, which must lie in the folder's uninstall\\ folder\n"
    "  --publisher TEXT  publisher shown in the list of installed programs\n"
    "  --contact TEXT    contact shown in the list of installed programs\n"
    "  --version V       release label, written as a comment into the files\n"
    "\n"
    "Every value must be writable in GBK and fit the installer's 259-byte fields; the\n"
    "default folder C:\\Program Files\\<game>\\ and every installed path must fit 259 bytes.\n"
    "Hashed names change with their content: cache them forever, keep online_setup.txt\n"
    "short-lived. The same input always gives the same tree.\n"
    "exit codes: 0 published, 1 I/O failure, 2 usage or refused input\n";

struct Options {
  std::string folder, root, baseUrl, game, exe, title, licence, uninst, publisher, contact, version;
};

// A refusal names the option and why; the caller prints it and exits 2.
struct Refusal {
  std::string text;
  explicit operator bool() const { return !text.empty(); }
};

bool ParseOptions(const CommandArgs& args, Options& o, std::string& error) {
  struct Flag {
    const char* name;
    std::string Options::*field;
  };
  const Flag flags[] = {
      {"-o", &Options::root},           {"--output", &Options::root},
      {"--base-url", &Options::baseUrl}, {"--game", &Options::game},
      {"--exe", &Options::exe},         {"--title", &Options::title},
      {"--licence", &Options::licence}, {"--license", &Options::licence},
      {"--uninst", &Options::uninst},   {"--publisher", &Options::publisher},
      {"--contact", &Options::contact}, {"--version", &Options::version},
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const Flag* flag = nullptr;
    for (const Flag& f : flags) {
      if (a == f.name) flag = &f;
    }
    if (flag != nullptr) {
      if (i + 1 >= args.size()) {
        error = "missing value after " + a;
        return false;
      }
      o.*(flag->field) = args[++i];
    } else if (!a.empty() && a[0] != '-' && o.folder.empty()) {
      o.folder = a;
    } else {
      error = "unexpected argument '" + a + "'";
      return false;
    }
  }
  const std::pair<const char*, const std::string*> required[] = {
      {"<client folder>", &o.folder}, {"-o", &o.root},          {"--base-url", &o.baseUrl},
      {"--game", &o.game},            {"--exe", &o.exe},        {"--title", &o.title},
      {"--licence", &o.licence},      {"--uninst", &o.uninst},  {"--publisher", &o.publisher},
      {"--contact", &o.contact},
  };
  for (const auto& r : required) {
    if (r.second->empty()) {
      error = std::string("missing ") + r.first;
      return false;
    }
  }
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

// Converts one value to GBK and checks what the installer's INI reader would change.
Refusal ToGbkValue(const char* option, const std::string& value, std::string& gbk) {
  std::string o = option;
  if (!ArgToGbk(value, gbk)) return {o + " '" + value + "' has characters that GBK cannot hold"};
  if (gbk.empty()) return {o + " is empty"};
  if (gbk.size() > kFieldMax)
    return {o + " is " + std::to_string(gbk.size()) + " bytes in GBK; the installer holds " +
            std::to_string(kFieldMax)};
  for (unsigned char c : gbk) {
    if (c < 0x20 || c == 0x7f) return {o + " holds a control character or line break"};
  }
  // The profile reader strips blanks around a value and one pair of enclosing quotes.
  if (gbk.front() == ' ' || gbk.front() == '\t' || gbk.back() == ' ' || gbk.back() == '\t')
    return {o + " starts or ends with a blank, which the installer would drop"};
  if (gbk.size() >= 2 && (gbk.front() == '"' || gbk.front() == '\'') && gbk.back() == gbk.front())
    return {o + " is enclosed in quotes, which the installer would drop"};
  return {};
}

// A single file or folder name that Windows keeps as written.
Refusal CheckPlainName(const char* option, const std::string& gbk) {
  std::string o = option;
  if (gbk == "." || gbk == "..") return {o + " cannot be '.' or '..'"};
  for (size_t i = 0; i < gbk.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(gbk[i]);
    if (c >= 0x81 && c <= 0xfe && i + 1 < gbk.size()) {
      ++i;  // a trail byte may look like '\\' or '|'
      continue;
    }
    if (std::strchr("\\/:*?\"<>|", c) != nullptr) return {o + " must be a plain name without \\ / : * ? \" < > |"};
  }
  if (gbk.back() == '.') return {o + " cannot end with '.'"};
  return {};
}

// http(s)://host[:port][/path], printable ASCII; trailing slashes of a base are dropped.
Refusal CheckAddress(const char* option, std::string& url, bool isBase) {
  std::string o = option;
  std::string lower = Lower(url);
  size_t schemeEnd = 0;
  if (lower.compare(0, 7, "http://") == 0) schemeEnd = 7;
  if (lower.compare(0, 8, "https://") == 0) schemeEnd = 8;
  if (schemeEnd == 0) return {o + " must be an absolute http:// or https:// address, not '" + url + "'"};
  for (unsigned char c : url) {
    if (c <= 0x20 || c >= 0x7f) return {o + " must be plain ASCII without blanks; percent-encode the rest"};
  }
  if (isBase) {
    if (url.find_first_of("?#") != std::string::npos) return {o + " cannot hold '?' or '#'"};
    while (url.size() > schemeEnd && url.back() == '/') url.pop_back();
  }
  size_t hostEnd = url.find_first_of("/?#", schemeEnd);
  std::string host = url.substr(schemeEnd, hostEnd == std::string::npos ? std::string::npos : hostEnd - schemeEnd);
  if (host.empty() || host[0] == ':' || host.find('@') != std::string::npos)
    return {o + " has no host name"};
  return {};
}

// The first component is the top folder, which the installer drops; the rest is
// lower-cased as the installer does.
std::string InstalledPath(const std::string& recordName) {
  size_t slash = recordName.find('\\');
  return slash == std::string::npos ? std::string() : Lower(recordName.substr(slash + 1));
}

std::string Hex(const uint8_t* bytes, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += kDigits[bytes[i] >> 4];
    s += kDigits[bytes[i] & 15];
  }
  return s;
}

// 64 bits of MD5 name a file well enough for a cache; this is no signature.
std::string ShortHash(const std::string& bytes) {
  MD5_CTX md5;
  md5.Update(bytes.data(), bytes.size());
  uint8_t digest[16];
  md5.Final(digest);
  return Hex(digest, 8);
}

bool HashFile(const fs::path& path, std::string& hash) {
  FILE* f = OpenNative(path, "rb");
  if (f == nullptr) return false;
  MD5_CTX md5;
  std::vector<char> buffer(1 << 20);
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) md5.Update(buffer.data(), n);
  bool ok = std::ferror(f) == 0;
  std::fclose(f);
  uint8_t digest[16];
  md5.Final(digest);
  hash = Hex(digest, 8);
  return ok;
}

// Written beside the target and renamed over it, so a server never serves half a file.
bool WriteAtomically(const fs::path& target, const std::string& bytes) {
  fs::path temp = target;
  temp += ".tmp";
  FILE* f = OpenNative(temp, "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  std::error_code ec;
  if (ok) fs::rename(temp, target, ec);
  if (!ok || ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

// ASCII letters, digits, '-', '_' and '.' of the game name, for file names in addresses.
std::string Slug(const std::string& game) {
  std::string slug;
  for (char c : game) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
      slug += c;
  }
  return slug.empty() ? "client" : slug;
}

struct GbkValues {
  std::string game, exe, title, licence, uninst, publisher, contact, version;
};

Refusal CheckValues(Options& o, GbkValues& v) {
  const std::pair<const char*, std::pair<const std::string*, std::string*>> values[] = {
      {"--game", {&o.game, &v.game}},          {"--exe", {&o.exe, &v.exe}},
      {"--title", {&o.title, &v.title}},       {"--licence", {&o.licence, &v.licence}},
      {"--uninst", {&o.uninst, &v.uninst}},    {"--publisher", {&o.publisher, &v.publisher}},
      {"--contact", {&o.contact, &v.contact}},
  };
  for (const auto& value : values) {
    if (Refusal r = ToGbkValue(value.first, *value.second.first, *value.second.second)) return r;
  }
  if (!o.version.empty()) {
    if (Refusal r = ToGbkValue("--version", o.version, v.version)) return r;
  }
  if (Refusal r = CheckPlainName("--game", v.game)) return r;
  if (Refusal r = CheckPlainName("--exe", v.exe)) return r;
  if (Refusal r = CheckPlainName("--uninst", v.uninst)) return r;
  // The uninstaller finds the program as <shortcut name>.exe, the shortcut name being
  // the program's name without its extension.
  if (v.exe.size() < 5 || Lower(v.exe.substr(v.exe.size() - 4)) != ".exe")
    return {"--exe must name a .exe file"};
  if (Refusal r = CheckAddress("--base-url", o.baseUrl, true)) return r;
  if (Refusal r = CheckAddress("--licence", v.licence, false)) return r;

  // The install folder is created with one more separator in a 260-byte buffer.
  std::string defaultDir = kDefaultDirPrefix + v.game + "\\";
  if (defaultDir.size() > kFieldMax - 1)
    return {"--game makes the default folder " + std::to_string(defaultDir.size()) +
            " bytes long; the installer holds " + std::to_string(kFieldMax - 1)};
  if ((defaultDir + "uninstall\\" + v.uninst).size() > kFieldMax)
    return {"--uninst makes the uninstaller's path in the default folder longer than 259 bytes"};
  if ((defaultDir + v.exe).size() > kFieldMax)
    return {"--exe makes the program's path in the default folder longer than 259 bytes"};
  return {};
}

Refusal CheckFolder(const PackResult& plan, const GbkValues& v) {
  bool hasExe = false, hasUninst = false;
  std::string exe = Lower(v.exe), uninst = "uninstall\\" + Lower(v.uninst);
  std::string defaultDir = kDefaultDirPrefix + v.game + "\\";
  for (const PackedFile& file : plan.files) {
    std::string installed = InstalledPath(file.name);
    hasExe = hasExe || installed == exe;
    hasUninst = hasUninst || installed == uninst;
    if (defaultDir.size() + installed.size() > kFieldMax)
      return {"installed path too long for the default folder (over 259 bytes): " +
              GbkForDisplay(defaultDir + installed)};
  }
  if (!hasExe) return {"the client folder has no program " + GbkForDisplay(v.exe)};
  if (!hasUninst) return {"the client folder has no uninstaller uninstall\\" + GbkForDisplay(v.uninst)};
  return {};
}

std::string IniLine(const std::string& key, const std::string& value) { return key + "=" + value + "\r\n"; }

}  // namespace

int RunPublish(const CommandArgs& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  Options o;
  std::string error;
  if (!ParseOptions(args, o, error)) {
    std::fprintf(stderr, "tandrel-pack publish: %s\n\n%s", error.c_str(), kHelp);
    return kExitUsage;
  }
  auto refuse = [](const std::string& why) {
    std::fprintf(stderr, "tandrel-pack publish: refused: %s\n", why.c_str());
    return kExitUsage;
  };

  GbkValues v;
  if (Refusal r = CheckValues(o, v)) return refuse(r.text);

  fs::path folder = PathFromArg(o.folder);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return refuse("no such folder: " + o.folder);
  PackOptions packOptions;
  packOptions.top = Slug(o.game);
  PackResult plan;
  if (!PlanPackage(folder, packOptions, plan)) return refuse(plan.error);
  if (Refusal r = CheckFolder(plan, v)) return refuse(r.text);
  uint64_t sizeMB = (plan.unpackedBytes + (1u << 20) - 1) >> 20;
  if (sizeMB == 0) sizeMB = 1;
  if (sizeMB > kSizeMaxMB) return refuse("the client is larger than the installer's size field holds");

  const std::string slug = Slug(o.game);
  const std::string base = o.baseUrl + "/update/";
  std::string srcfileProbe = base + slug + "-0123456789abcdef.pkg";
  if (srcfileProbe.size() > kFieldMax)
    return refuse("--base-url makes the package address longer than 259 bytes");
  if ((base + "list-0123456789abcdef.ini").size() > kListAddressMax)
    return refuse("--base-url makes the update list's address longer than 998 bytes");

  fs::path update = PathFromArg(o.root) / "update";
  fs::create_directories(update, ec);
  if (ec || !fs::is_directory(update, ec)) {
    std::fprintf(stderr, "tandrel-pack publish: cannot create %s\n", PathForDisplay(update).c_str());
    return kExitFailure;
  }

  // 1. The package, named after its content.
  fs::path packing = update / (".publish-" + slug + ".pkg.tmp");
  ProgressBar bar("packing", IsTerminal(stderr) && plan.unpackedBytes >= kBarThreshold);
  packOptions.progress = [&bar](uint32_t percent) { bar.Show(percent); };
  PackResult packed;
  if (!PackFolder(folder, packing, packOptions, packed)) {
    std::fprintf(stderr, "tandrel-pack publish: %s\n", packed.error.c_str());
    return kExitFailure;
  }
  std::string packageHash;
  if (!HashFile(packing, packageHash)) {
    fs::remove(packing, ec);
    std::fprintf(stderr, "tandrel-pack publish: cannot read back %s\n", PathForDisplay(packing).c_str());
    return kExitFailure;
  }
  const std::string packageName = slug + "-" + packageHash + ".pkg";
  fs::rename(packing, update / packageName, ec);
  if (ec) {
    fs::remove(packing, ec);
    std::fprintf(stderr, "tandrel-pack publish: cannot write %s\n", packageName.c_str());
    return kExitFailure;
  }

  // 2. The update list, named after its content (which names the package).
  std::string comment = "; tandrel-pack publish";
  if (!v.version.empty()) comment += ", release " + v.version;
  comment += "\r\n";
  std::string list = comment + "[list0]\r\n" + IniLine("action", "3") +
                     IniLine("srcfile", base + packageName) + IniLine("destfile", packageName) +
                     IniLine("cmd", "DEC");
  const std::string listName = "list-" + ShortHash(list) + ".ini";
  if (!WriteAtomically(update / listName, list)) {
    std::fprintf(stderr, "tandrel-pack publish: cannot write %s\n", listName.c_str());
    return kExitFailure;
  }

  // 3. The setup configuration last: until it is replaced, clients see the old release whole.
  std::string setup = comment + "[setup]\r\n" + IniLine("gamename", v.game) + IniLine("exefilename", v.exe) +
                      IniLine("ProductTitle", v.title) + IniLine("size", std::to_string(sizeMB)) +
                      IniLine("urlAgreement", v.licence) + IniLine("uninstname", v.uninst) +
                      IniLine("Publisher", v.publisher) + IniLine("Contact", v.contact) + "[config]\r\n" +
                      IniLine("1.0", base + listName) + IniLine("other", base + listName);
  if (!WriteAtomically(update / "online_setup.txt", setup)) {
    std::fprintf(stderr, "tandrel-pack publish: cannot write online_setup.txt\n");
    return kExitFailure;
  }

  std::printf("published %zu files (%llu bytes, size=%llu MB) into %s\n", packed.files.size(),
              static_cast<unsigned long long>(packed.unpackedBytes), static_cast<unsigned long long>(sizeMB),
              PathForDisplay(PathFromArg(o.root)).c_str());
  std::printf("  update/online_setup.txt  (short-lived)\n  update/%s\n  update/%s\n", listName.c_str(),
              packageName.c_str());
  std::printf("installer: -DTANDREL_SETUP_URL=%sonline_setup.txt\n", base.c_str());
  return kExitOk;
}
