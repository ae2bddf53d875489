#pragma once

// A small SVG writer for the demonstration: plane coordinates go to a picture of fixed
// width with the y axis pointing up, as in the plane.

#include <string>
#include <string_view>
#include <vector>

#include <orvane/kernel/geometry/point.hpp>

namespace orvane::demo {

class SvgPicture {
public:
    // The plane rectangle [min, max] fills `width` pixels, with a margin around it and
    // a band of `band` pixels above it for titles and legends.
    SvgPicture(const Point<2>& min, const Point<2>& max, double width, double band = 0);

    // Path data collectors: many segments or polygons in one element keep the file small.
    class Path {
    public:
        void move_to(const Point<2>& p);
        void line_to(const Point<2>& p);
        void close();
        bool empty() const { return data_.empty(); }

    private:
        friend class SvgPicture;
        explicit Path(const SvgPicture& picture) : picture_(&picture) {}
        const SvgPicture* picture_;
        std::string data_;
    };
    Path path() const { return Path{*this}; }

    // `style` is an SVG presentation attribute list, e.g. `fill="none" stroke="#888"`.
    void add_path(const Path& path, std::string_view style);
    void add_circle(const Point<2>& centre, double radius_px, std::string_view style);
    void add_cross(const Point<2>& centre, double half_size_px, std::string_view style);
    // Text at a pixel position from the top left corner of the picture.
    void add_text(double x_px, double y_px, std::string_view text,
                  std::string_view style);

    double width() const { return width_; }
    double height() const { return height_; }

    // Throws std::runtime_error when the file cannot be written.
    void save(const std::string& file) const;

private:
    double x(const Point<2>& p) const;
    double y(const Point<2>& p) const;

    Point<2> min_;
    double scale_;
    double margin_;
    double width_;
    double height_;
    std::string body_;
};

}  // namespace orvane::demo
