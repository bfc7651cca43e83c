#include "assets/generator/raster.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace corvelin::assetgen {

namespace {

double Length(Vec v) {
  return std::sqrt(v.x * v.x + v.y * v.y);
}
double Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}

Box Bounds(const std::vector<Vec>& points, double margin) {
  Box box{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
          std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
  for (const Vec& p : points) {
    box.x0 = std::min(box.x0, p.x - margin);
    box.y0 = std::min(box.y0, p.y - margin);
    box.x1 = std::max(box.x1, p.x + margin);
    box.y1 = std::max(box.y1, p.y + margin);
  }
  return box;
}

// Distance from p to the segment a-b, and where along it the nearest point lies.
std::pair<double, double> SegmentDistance(Vec p, Vec a, Vec b) {
  const Vec ab = b - a;
  const double len2 = Dot(ab, ab);
  const double t = len2 > 0 ? std::clamp(Dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
  return {Length(p - (a + ab * t)), t};
}

}  // namespace

Vec Lerp(Vec a, Vec b, double t) {
  return a + (b - a) * t;
}

Vec Rotate(Vec v, double radians) {
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  return {v.x * c - v.y * s, v.x * s + v.y * c};
}

Rgb Hex(unsigned rgb) {
  return {static_cast<double>((rgb >> 16) & 0xFF), static_cast<double>((rgb >> 8) & 0xFF),
          static_cast<double>(rgb & 0xFF)};
}

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Shape Shape::Grown(double by) const {
  auto d = distance;
  return {{bounds.x0 - by, bounds.y0 - by, bounds.x1 + by, bounds.y1 + by},
          [d, by](Vec p) { return d(p) - by; }};
}

Shape Shape::Moved(Vec by) const {
  auto d = distance;
  return {{bounds.x0 + by.x, bounds.y0 + by.y, bounds.x1 + by.x, bounds.y1 + by.y},
          [d, by](Vec p) { return d(p - by); }};
}

Shape Ellipse(Vec centre, double rx, double ry, double angle) {
  const double r = std::max(rx, ry);
  return {{centre.x - r, centre.y - r, centre.x + r, centre.y + r}, [=](Vec p) {
            const Vec q = Rotate(p - centre, -angle);
            const double k0 = Length({q.x / rx, q.y / ry});
            const double k1 = Length({q.x / (rx * rx), q.y / (ry * ry)});
            if (k1 == 0) return -std::min(rx, ry);
            return k0 * (k0 - 1.0) / k1;
          }};
}

Shape Circle(Vec centre, double r) {
  return Ellipse(centre, r, r);
}

Shape Polygon(std::vector<Vec> points) {
  const Box box = Bounds(points, 0);
  return {
      box, [points = std::move(points)](Vec p) {
        double d = std::numeric_limits<double>::max();
        bool inside = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
          const Vec a = points[j];
          const Vec b = points[i];
          d = std::min(d, SegmentDistance(p, a, b).first);
          if ((b.y > p.y) != (a.y > p.y) && p.x < (a.x - b.x) * (p.y - b.y) / (a.y - b.y) + b.x) {
            inside = !inside;
          }
        }
        return inside ? -d : d;
      }};
}

Shape Capsule(Vec a, Vec b, double r0, double r1) {
  return Stroke({a, b}, r0, r1);
}

Shape Stroke(const std::vector<Vec>& path, double r0, double r1) {
  std::vector<double> at(path.size(), 0.0);  // share of the whole length at each point
  for (std::size_t i = 1; i < path.size(); ++i) at[i] = at[i - 1] + Length(path[i] - path[i - 1]);
  const double total = at.back() > 0 ? at.back() : 1.0;
  for (double& v : at) v /= total;
  return {Bounds(path, std::max(r0, r1)), [=](Vec p) {
            double d = std::numeric_limits<double>::max();
            if (path.size() == 1) return Length(p - path[0]) - r0;
            for (std::size_t i = 1; i < path.size(); ++i) {
              const auto [dist, t] = SegmentDistance(p, path[i - 1], path[i]);
              const double share = at[i - 1] + (at[i] - at[i - 1]) * t;
              d = std::min(d, dist - (r0 + (r1 - r0) * share));
            }
            return d;
          }};
}

Shape Union(const Shape& a, const Shape& b) {
  auto da = a.distance;
  auto db = b.distance;
  return {{std::min(a.bounds.x0, b.bounds.x0), std::min(a.bounds.y0, b.bounds.y0),
           std::max(a.bounds.x1, b.bounds.x1), std::max(a.bounds.y1, b.bounds.y1)},
          [da, db](Vec p) { return std::min(da(p), db(p)); }};
}

Shape Intersect(const Shape& a, const Shape& b) {
  auto da = a.distance;
  auto db = b.distance;
  return {{std::max(a.bounds.x0, b.bounds.x0), std::max(a.bounds.y0, b.bounds.y0),
           std::min(a.bounds.x1, b.bounds.x1), std::min(a.bounds.y1, b.bounds.y1)},
          [da, db](Vec p) { return std::max(da(p), db(p)); }};
}

Shape Subtract(const Shape& a, const Shape& b) {
  auto da = a.distance;
  auto db = b.distance;
  return {a.bounds, [da, db](Vec p) { return std::max(da(p), -db(p)); }};
}

std::vector<Vec> Quad(Vec p0, Vec p1, Vec p2, int steps) {
  std::vector<Vec> out;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    out.push_back(Lerp(Lerp(p0, p1, t), Lerp(p1, p2, t), t));
  }
  return out;
}

std::vector<Vec> Cubic(Vec p0, Vec p1, Vec p2, Vec p3, int steps) {
  std::vector<Vec> out;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    const Vec a = Lerp(p0, p1, t), b = Lerp(p1, p2, t), c = Lerp(p2, p3, t);
    out.push_back(Lerp(Lerp(a, b, t), Lerp(b, c, t), t));
  }
  return out;
}

Paint Flat(Rgb colour) {
  return [colour](Vec) { return colour; };
}

Paint Linear(Vec p0, Rgb c0, Vec p1, Rgb c1) {
  const Vec axis = p1 - p0;
  const double len2 = Dot(axis, axis);
  return [=](Vec p) { return Mix(c0, c1, std::clamp(Dot(p - p0, axis) / len2, 0.0, 1.0)); };
}

Paint Radial(Vec centre, double radius, Rgb inner, Rgb outer) {
  return
      [=](Vec p) { return Mix(inner, outer, std::clamp(Length(p - centre) / radius, 0.0, 1.0)); };
}

Canvas::Canvas(int width, int height, int supersample)
    : width_(width),
      height_(height),
      ss_(supersample),
      samples_(static_cast<std::size_t>(width * supersample) * height * supersample),
      painted_(samples_.size(), 0) {}

void Canvas::Fill(const Shape& shape, const Paint& paint) {
  const int sw = width_ * ss_;
  const int px0 = std::max(0, static_cast<int>(std::floor(shape.bounds.x0)) - 1);
  const int py0 = std::max(0, static_cast<int>(std::floor(shape.bounds.y0)) - 1);
  const int px1 = std::min(width_, static_cast<int>(std::ceil(shape.bounds.x1)) + 1);
  const int py1 = std::min(height_, static_cast<int>(std::ceil(shape.bounds.y1)) + 1);
  for (int py = py0; py < py1; ++py) {
    for (int px = px0; px < px1; ++px) {
      // Pixels well inside or well outside need no sample-by-sample test.
      const double centre = shape.distance({px + 0.5, py + 0.5});
      if (centre > 1.0) continue;
      const bool whole = centre < -1.0;
      for (int sy = 0; sy < ss_; ++sy) {
        for (int sx = 0; sx < ss_; ++sx) {
          const int x = px * ss_ + sx;
          const int y = py * ss_ + sy;
          const Vec p{(x + 0.5) / ss_, (y + 0.5) / ss_};
          if (whole || shape.distance(p) < 0) {
            const std::size_t i = static_cast<std::size_t>(y) * sw + x;
            samples_[i] = paint(p);
            painted_[i] = 1;
          }
        }
      }
    }
  }
}

void Canvas::Outlined(const Shape& shape, const Paint& paint, Rgb ink, double width) {
  Fill(shape.Grown(width), ink);
  Fill(shape, paint);
}

std::vector<Pixel> Canvas::Resolve() const {
  const Rgb white{255, 255, 255};
  const int sw = width_ * ss_;
  const double n = ss_ * ss_;
  std::vector<Pixel> out(static_cast<std::size_t>(width_) * height_);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      Rgb sum{};
      int count = 0;
      for (int sy = 0; sy < ss_; ++sy) {
        for (int sx = 0; sx < ss_; ++sx) {
          const std::size_t i = static_cast<std::size_t>(y * ss_ + sy) * sw + x * ss_ + sx;
          const Rgb c = painted_[i] ? samples_[i] : white;
          count += painted_[i];
          sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
        }
      }
      out[static_cast<std::size_t>(y) * width_ + x] = {{sum.r / n, sum.g / n, sum.b / n},
                                                       count / n};
    }
  }
  return out;
}

}  // namespace corvelin::assetgen
