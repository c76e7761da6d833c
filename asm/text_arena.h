// Texts kept for as long as the stream that points into them: copied into
// large blocks, so that a short line costs its bytes and not an allocation
// of its own. A view handed out stays valid when the arena is moved.
#pragma once

#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace scmp::assembler {

class TextArena {
 public:
  std::string_view Keep(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > kBlock / 4) return KeepAlone(text);
    if (blocks_.empty() || used_ + text.size() > kBlock) {
      blocks_.push_back(std::make_unique<char[]>(kBlock));
      used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    std::memcpy(at, text.data(), text.size());
    used_ += text.size();
    return {at, text.size()};
  }

 private:
  static constexpr size_t kBlock = 64 * 1024;

  std::string_view KeepAlone(std::string_view text) {
    auto block = std::make_unique<char[]>(text.size());
    std::memcpy(block.get(), text.data(), text.size());
    const std::string_view kept(block.get(), text.size());
    // Behind the current block, so that it keeps filling.
    blocks_.insert(blocks_.empty() ? blocks_.end() : blocks_.end() - 1, std::move(block));
    return kept;
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t used_ = 0;
};

}  // namespace scmp::assembler
