#include "asm/directive.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_map>

#include "asm/opcode_map.h"

namespace scmp::assembler {

namespace {

struct Name {
  const char* word;
  Directive directive;
};

// The words, without their optional dot.
constexpr Name kDirectives[] = {
    {"ORG", Directive::kOrg},       {"DB", Directive::kByte},         {"BYTE", Directive::kByte},
    {"DEFB", Directive::kByte},     {"FCB", Directive::kByte},        {"DW", Directive::kWord},
    {"WORD", Directive::kWord},     {"DEFW", Directive::kWord},       {"DBYTE", Directive::kDbyte},
    {"ASCII", Directive::kAscii},   {"TEXT", Directive::kAscii},      {"DS", Directive::kSpace},
    {"SPACE", Directive::kSpace},   {"BLKB", Directive::kSpace},      {"RMB", Directive::kSpace},
    {"END", Directive::kEnd},       {"EQU", Directive::kEqu},         {"SET", Directive::kSet},
    {"FUNCTION", Directive::kFunction}, {"INCLUDE", Directive::kInclude}, {"MACRO", Directive::kMacro},
    {"ENDM", Directive::kEndm},     {"MEND", Directive::kEndm},       {"IF", Directive::kIf},
    {"IFB", Directive::kIfb},       {"IFNB", Directive::kIfnb},       {"IFDEF", Directive::kIfdef},
    {"IFNDEF", Directive::kIfndef}, {"ELSE", Directive::kElse},       {"ENDIF", Directive::kEndif},
    {"ENDC", Directive::kEndif},    {"CPU", Directive::kCpu},         {"PAGE", Directive::kIgnored},
    {"TITLE", Directive::kIgnored}, {"SBTTL", Directive::kIgnored},   {"SUBTTL", Directive::kIgnored},
    {"LIST", Directive::kIgnored},  {"NLIST", Directive::kIgnored},   {"NOLIST", Directive::kIgnored},
    {"LOCAL", Directive::kIgnored}, {"MODULE", Directive::kIgnored},  {"GLOBL", Directive::kIgnored},
    {"AREA", Directive::kIgnored},  {"BANK", Directive::kIgnored},    {"EJECT", Directive::kIgnored},
    {"RELAXED", Directive::kIgnored},
    {"MESSAGE", Directive::kMessage}, {"WARNING", Directive::kWarning}, {"ERROR", Directive::kError},
    {"FATAL", Directive::kFatal},   {"REPT", Directive::kRept},       {"IRP", Directive::kIrp},
    {"IRPC", Directive::kIrpc},     {"WHILE", Directive::kWhile},     {"EXITM", Directive::kExitm},
    {"MAXNEST", Directive::kMaxnest}, {"IFUSED", Directive::kIfused}, {"IFNUSED", Directive::kIfnused},
    {"IFEXIST", Directive::kIfexist}, {"IFNEXIST", Directive::kIfnexist}, {"ELSEIF", Directive::kElseif},
    {"SWITCH", Directive::kSwitch}, {"CASE", Directive::kCase},       {"ELSECASE", Directive::kElsecase},
    {"ENDCASE", Directive::kEndcase}, {"MACEXP_DFT", Directive::kIgnored}, {"MACEXP_OVR", Directive::kIgnored},
    {"LISTING", Directive::kIgnored}, {"LABEL", Directive::kEqu},     {"MACEXP", Directive::kIgnored},
    {"PRTINIT", Directive::kIgnored}, {"PRTEXIT", Directive::kIgnored}, {"OUTRADIX", Directive::kIgnored},
    {"NEWPAGE", Directive::kIgnored}, {"BIGENDIAN", Directive::kBigEndian}, {"DBYTEORDER", Directive::kDbyteOrder},
    {"REG", Directive::kReg},
};

constexpr std::array<const char*, 46> kMnemonics = {
    "HALT", "XAE",  "CCL",  "SCL",  "DINT", "IEN",  "CSA",  "CAS",  "NOP",  "SIO", "SR",  "SRL",
    "RR",   "RRL",  "XPAL", "XPAH", "XPPC", "DLY",  "ILD",  "DLD",  "LD",   "ST",  "AND", "OR",
    "XOR",  "DAD",  "ADD",  "CAD",  "JMP",  "JP",   "JZ",   "JNZ",  "LDI",  "ANI", "ORI", "XRI",
    "DAI",  "ADI",  "CAI",  "LDE",  "ANE",  "ORE",  "XRE",  "DAE",  "ADE",  "CAE"};

const std::unordered_map<std::string, Directive>& Table() {
  static const auto* table = [] {
    auto* t = new std::unordered_map<std::string, Directive>;
    for (const Name& n : kDirectives) t->emplace(n.word, n.directive);
    return t;
  }();
  return *table;
}

int Distance(std::string_view a, std::string_view b) {
  std::vector<int> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (size_t j = 1; j <= b.size(); ++j) {
      const int up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string UpperCase(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

Directive DirectiveOf(std::string_view word) {
  if (!word.empty() && word[0] == '.') word.remove_prefix(1);
  if (word.empty() || word.size() > 10) return Directive::kNone;
  const auto it = Table().find(UpperCase(word));
  return it == Table().end() ? Directive::kNone : it->second;
}

std::string NoByteNote(Directive directive, std::string_view word) {
  const std::string name(word);
  if (directive == Directive::kCpu)
    return name + " names the macro assembler: its operators bind in its order (bit operators first, comparisons last), "
                  "^ is a power, and a leading 0 makes a number octal";
  if (UpperCase(word.substr(!word.empty() && word[0] == '.')) == "RELAXED")
    return name + " marks the macro assembler's source (its operator order, a leading 0 octal) and changes no byte "
                  "besides: numbers are read in every notation (0x1F $1F 1FH X'1F') with or without it";
  return name + " changes no byte here and is ignored";
}

bool IsMnemonic(std::string_view word) {
  bool two_bytes = false;
  return OpcodeMap::OperationOf(word, &two_bytes) != Op::kNothing;
}

std::string NearestWord(std::string_view word, const std::vector<std::string>& extra) {
  const bool dotted = !word.empty() && word[0] == '.';
  const std::string upper = UpperCase(dotted ? word.substr(1) : word);
  if (upper.size() < 2) return "";
  std::string best;
  int best_distance = upper.size() <= 3 ? 2 : 3;  // closer than this, or not meant
  bool best_same_length = false;
  auto consider = [&](std::string_view candidate, std::string_view shown) {
    const int d = Distance(upper, UpperCase(candidate));
    // Two edits apart is a slip only when the word begins alike (EXPECT is
    // not a slip for EJECT).
    if (d >= 2 && UpperCase(candidate).substr(0, 2) != upper.substr(0, 2)) return;
    const bool same_length = candidate.size() == upper.size();
    if (d < best_distance || (d == best_distance && same_length && !best_same_length && !best.empty())) {
      best_distance = d;
      best_same_length = same_length;
      best = std::string(shown);
    }
  };
  if (!dotted)
    for (const char* m : kMnemonics) consider(m, m);
  for (const Name& n : kDirectives) consider(n.word, dotted ? "." + std::string(n.word) : std::string(n.word));
  for (const std::string& e : extra) consider(e, e);
  return best;
}

}  // namespace scmp::assembler
