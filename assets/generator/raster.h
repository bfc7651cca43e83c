// A small anti-aliased vector rasteriser for the generator's artwork.
//
// Shapes are signed distance functions (negative inside) with a bounding box;
// a canvas samples each output pixel on a supersampling grid and keeps, per
// pixel, the averaged colour and how much of the pixel was painted at all.
#pragma once

#include <functional>
#include <vector>

namespace corvelin::assetgen {

struct Vec {
  double x = 0;
  double y = 0;
};
inline Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
inline Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
inline Vec operator*(Vec a, double s) {
  return {a.x * s, a.y * s};
}
Vec Lerp(Vec a, Vec b, double t);
Vec Rotate(Vec v, double radians);

struct Rgb {
  double r = 0;
  double g = 0;
  double b = 0;
};
Rgb Hex(unsigned rgb);  // 0xRRGGBB
Rgb Mix(Rgb a, Rgb b, double t);

struct Box {
  double x0, y0, x1, y1;
};

struct Shape {
  Box bounds;
  std::function<double(Vec)> distance;

  Shape Grown(double by) const;  // outline shapes: the same shape, `by` wider all round
  Shape Moved(Vec by) const;
};

Shape Ellipse(Vec centre, double rx, double ry, double angle = 0);
Shape Circle(Vec centre, double r);
Shape Polygon(std::vector<Vec> points);
// A segment with rounded ends whose radius goes from r0 at `a` to r1 at `b`.
Shape Capsule(Vec a, Vec b, double r0, double r1);
// A thick smooth curve through the points of `path`, radius from r0 to r1.
Shape Stroke(const std::vector<Vec>& path, double r0, double r1);
Shape Union(const Shape& a, const Shape& b);
Shape Intersect(const Shape& a, const Shape& b);
Shape Subtract(const Shape& a, const Shape& b);

// Points of a quadratic or cubic Bezier curve, `steps` + 1 of them.
std::vector<Vec> Quad(Vec p0, Vec p1, Vec p2, int steps = 16);
std::vector<Vec> Cubic(Vec p0, Vec p1, Vec p2, Vec p3, int steps = 20);

using Paint = std::function<Rgb(Vec)>;
Paint Flat(Rgb colour);
Paint Linear(Vec p0, Rgb c0, Vec p1, Rgb c1);
Paint Radial(Vec centre, double radius, Rgb inner, Rgb outer);

struct Pixel {
  Rgb colour;       // painted colour over white
  double coverage;  // 0 (untouched) .. 1 (fully painted)
};

class Canvas {
 public:
  Canvas(int width, int height, int supersample);

  void Fill(const Shape& shape, const Paint& paint);
  void Fill(const Shape& shape, Rgb colour) { Fill(shape, Flat(colour)); }
  // Fills the shape and an outline of `width` around it.
  void Outlined(const Shape& shape, const Paint& paint, Rgb ink, double width);
  void Outlined(const Shape& shape, Rgb colour, Rgb ink, double width) {
    Outlined(shape, Flat(colour), ink, width);
  }

  int width() const { return width_; }
  int height() const { return height_; }
  std::vector<Pixel> Resolve() const;

 private:
  int width_;
  int height_;
  int ss_;
  std::vector<Rgb> samples_;
  std::vector<unsigned char> painted_;
};

}  // namespace corvelin::assetgen
