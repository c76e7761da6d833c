#include "trainer/program_info.h"

#include "asm/source_line.h"

namespace scmp {

namespace {

SymbolKind KindOf(const Symbol& symbol, const ProgramInfo& info) {
  if (!symbol.label) return SymbolKind::kConstant;
  if (symbol.value < 0 || symbol.value >= kMemorySize) return SymbolKind::kConstant;
  return info.map.KindAt(static_cast<int>(symbol.value)) == LineMap::Kind::kCode ? SymbolKind::kCode : SymbolKind::kData;
}

}  // namespace

const char* SymbolKindName(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::kCode: return "code";
    case SymbolKind::kData: return "data";
    case SymbolKind::kConstant: return "constant";
  }
  return "";
}

std::string ProgramInfo::SourceLine(int number) const {
  if (number < 1 || number > static_cast<int>(source.size())) return "";
  const std::string& text = source[number - 1];
  const size_t first = text.find_first_not_of(" \t");
  return first == std::string::npos ? "" : text.substr(first);
}

int ProgramInfo::NearestLine(const std::string& text, int near) const {
  const int count = static_cast<int>(source.size());
  for (int distance = 0; distance < count + near; ++distance)
    for (const int number : {near - distance, near + distance})
      if (number >= 1 && number <= count && SourceLine(number) == text) return number;
  return 0;
}

int ProgramInfo::LineAt(int address) const {
  const SourcePlace place = map.PlaceOf(address);
  return place.file == source_path ? place.line : 0;
}

const ProgramSymbol* ProgramInfo::Find(std::string_view name) const {
  for (const ProgramSymbol& s : symbols)
    if (s.name == name) return &s;
  return nullptr;
}

ProgramInfo ProgramInfoFrom(const Assembly& assembly, std::string_view source, const std::string& path) {
  ProgramInfo info;
  info.source_path = path;
  const std::vector<std::string_view> lines = assembler::SplitSourceLines(source);
  for (std::string_view l : lines) info.source.emplace_back(l);
  info.map = LineMap(assembly, source, path);
  for (const Symbol& s : assembly.symbols) info.symbols.push_back({s.name, s.value, KindOf(s, info), s.line});
  return info;
}

}  // namespace scmp
