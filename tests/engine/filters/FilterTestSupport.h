// Pixel filters under test: a filter made by the element factory, 24-bit pictures drawn
// from a function of the point, frames rendered through the element interface, pictures
// compared pixel by pixel, and a random generator whose numbers the test chooses.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/Random.h"
#include "engine/elements/ElementFactory.h"
#include "engine/elements/FrameElement.h"

namespace filter_test {

struct Bgr {
  int b, g, r;
  bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
  bool operator!=(const Bgr& o) const { return !(*this == o); }
};

inline std::ostream& operator<<(std::ostream& os, const Bgr& c) {
  return os << "(b " << c.b << ", g " << c.g << ", r " << c.r << ")";
}

// A colour as a property text: a colour reference 0x00BBGGRR in decimal.
inline std::string Colorref(const Bgr& c) {
  return std::to_string((c.b << 16) | (c.g << 8) | c.r);
}

using PictureFunction = std::function<Bgr(int x, int y)>;

struct ElementRelease {
  void operator()(IFrameElement* e) const {
    if (e) e->Release();
  }
};
using ElementPtr = std::unique_ptr<IFrameElement, ElementRelease>;

// A filter of the type with its settings applied in order.
inline ElementPtr MakeFilter(int32_t code,
                             const std::vector<std::pair<int32_t, std::string>>& settings = {}) {
  ElementPtr filter(CreateFrameElement(code, nullptr));
  EXPECT_NE(filter, nullptr) << "type " << code;
  if (!filter) return filter;
  for (const auto& s : settings) {
    EXPECT_EQ(filter->SetProperty(s.first, s.second), S_OK) << "type " << code << " id " << s.first;
  }
  return filter;
}

// A 24-bit picture of width x height drawn from the function, (x, y) counted from the top.
inline std::unique_ptr<CDibSurface> MakePicture(int width, int height, const PictureFunction& f) {
  auto picture = std::make_unique<CDibSurface>();
  EXPECT_TRUE(picture->Create(width, height, 24));
  for (int y = 0; y < height; ++y) {
    BYTE* row = picture->GetBits() + size_t(height - 1 - y) * size_t(picture->GetStride());
    for (int x = 0; x < width; ++x) {
      const Bgr c = f(x, y);
      row[3 * x] = BYTE(c.b);
      row[3 * x + 1] = BYTE(c.g);
      row[3 * x + 2] = BYTE(c.r);
    }
  }
  return picture;
}

inline Bgr PixelOf(const CDibSurface& picture, int x, int y) {
  const BYTE* p = picture.GetBits() + size_t(picture.GetHeight() - 1 - y) * size_t(picture.GetStride()) +
                  size_t(x) * 3;
  return {p[0], p[1], p[2]};
}

// Gives the filter the picture's size, then renders `frames` frames into the rectangle.
inline void RenderFrames(IFrameElement& filter, CDibSurface& picture, const RECT& rect,
                         int frames = 1) {
  CFrameContext context;
  context.output = &picture;
  for (int i = 0; i < frames; ++i) {
    filter.SetFrameSize(picture.GetWidth(), picture.GetHeight());
    EXPECT_EQ(filter.Render(&context, rect), S_OK);
  }
}

// The number of pixels that differ from the expected picture; the first one described.
inline int Differences(const CDibSurface& picture, const PictureFunction& expected,
                       std::string* first) {
  int count = 0;
  for (int y = 0; y < picture.GetHeight(); ++y) {
    for (int x = 0; x < picture.GetWidth(); ++x) {
      const Bgr want = expected(x, y);
      const Bgr got = PixelOf(picture, x, y);
      if (got != want && count++ == 0 && first) {
        std::ostringstream text;
        text << "at " << x << "," << y << ": " << got << " instead of " << want;
        *first = text.str();
      }
    }
  }
  return count;
}

// Puts a generator of numbers the test chooses in place while it lives: the numbers of
// the list in turn, again from the start when they run out.
class ScopedNumbers {
 public:
  explicit ScopedNumbers(std::vector<int32_t> numbers) {
    Numbers() = std::move(numbers);
    Next() = 0;
    m_previous = SetRandomGenerator(&Draw);
  }
  ~ScopedNumbers() { SetRandomGenerator(m_previous); }
  ScopedNumbers(const ScopedNumbers&) = delete;
  ScopedNumbers& operator=(const ScopedNumbers&) = delete;

  static size_t Drawn() { return Next(); }

 private:
  static std::vector<int32_t>& Numbers() {
    static std::vector<int32_t> numbers;
    return numbers;
  }
  static size_t& Next() {
    static size_t next = 0;
    return next;
  }
  static int32_t Draw() {
    const std::vector<int32_t>& n = Numbers();
    return n.empty() ? 0 : n[Next()++ % n.size()];
  }
  RandomGenerator m_previous;
};

}  // namespace filter_test
