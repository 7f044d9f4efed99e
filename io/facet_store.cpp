#include "io/facet_store.h"

#include <algorithm>
#include <limits>

namespace meshprobe {

namespace {
constexpr std::size_t kPassWords = std::size_t{1} << 18;
constexpr std::size_t kWord = sizeof(std::uint32_t);
}  // namespace

ReadStatus FacetStore::create() {
  facets_ = 0;
  return file_.create();
}

ReadStatus FacetStore::add(const VertexIndex* corners, std::size_t degree) {
  if (degree > std::numeric_limits<std::uint32_t>::max()) {
    return ReadStatus::failure("a facet has more corners than a tile can hold");
  }
  const auto count = static_cast<std::uint32_t>(degree);
  ReadStatus status = file_.append(&count, kWord);
  if (status.ok) status = file_.append(corners, degree * kWord);
  if (status.ok) ++facets_;
  return status;
}

ReadStatus FacetStore::finish_adding() {
  return file_.flush();
}

ReadStatus FacetStore::load(FacetList& facets) const {
  facets = FacetList{};
  return for_each([&](std::size_t, const VertexIndex* corners, std::size_t degree) {
    facets.corners.insert(facets.corners.end(), corners, corners + degree);
    facets.end_facet();
  });
}

FacetStore::Pass::Pass(const FacetStore& store) : store_(store), words_(kPassWords) {}

ReadStatus FacetStore::Pass::fill(std::size_t words) {
  // What is left of the buffer moves to its front; a facet larger than the buffer widens it.
  std::copy(words_.begin() + static_cast<std::ptrdiff_t>(used_),
            words_.begin() + static_cast<std::ptrdiff_t>(held_), words_.begin());
  held_ -= used_;
  used_ = 0;
  if (words_.size() < words) words_.resize(words);
  const std::uint64_t in_file = store_.file_.size() / kWord;
  const std::uint64_t left = in_file > read_ ? in_file - read_ : 0;
  const auto taken = static_cast<std::size_t>(std::min<std::uint64_t>(left, words_.size() - held_));
  const ReadStatus status = store_.file_.read(read_ * kWord, words_.data() + held_, taken * kWord);
  if (!status.ok) return status;
  read_ += taken;
  held_ += taken;
  if (held_ < words) return ReadStatus::failure("the facets' scratch file ends early");
  return ReadStatus{};
}

ReadStatus FacetStore::Pass::next(const VertexIndex*& corners, std::size_t& degree) {
  if (held_ - used_ < 1) {
    const ReadStatus status = fill(1);
    if (!status.ok) return status;
  }
  degree = words_[used_];
  if (held_ - used_ < 1 + degree) {
    const ReadStatus status = fill(1 + degree);
    if (!status.ok) return status;
  }
  corners = words_.data() + used_ + 1;
  used_ += 1 + degree;
  return ReadStatus{};
}

}  // namespace meshprobe
