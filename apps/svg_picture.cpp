#include "svg_picture.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace orvane::demo {
namespace {

// Two decimals of a pixel are plenty and keep large meshes at a few megabytes.
void append_number(std::string& out, double value) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%.2f", value);
    out.append(buffer, static_cast<std::size_t>(n));
}

std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

SvgPicture::SvgPicture(const Point<2>& min, const Point<2>& max, double width,
                       double band)
    : min_(min), margin_(20), width_(width) {
    const double extent_x = std::max(max.value(0) - min.value(0), 1e-12);
    const double extent_y = std::max(max.value(1) - min.value(1), 1e-12);
    scale_ = (width - 2 * margin_) / extent_x;
    height_ = extent_y * scale_ + 2 * margin_ + band;
}

double SvgPicture::x(const Point<2>& p) const {
    return margin_ + (p.value(0) - min_.value(0)) * scale_;
}

double SvgPicture::y(const Point<2>& p) const {
    return height_ - margin_ - (p.value(1) - min_.value(1)) * scale_;
}

void SvgPicture::Path::move_to(const Point<2>& p) {
    data_ += 'M';
    append_number(data_, picture_->x(p));
    data_ += ' ';
    append_number(data_, picture_->y(p));
}

void SvgPicture::Path::line_to(const Point<2>& p) {
    data_ += 'L';
    append_number(data_, picture_->x(p));
    data_ += ' ';
    append_number(data_, picture_->y(p));
}

void SvgPicture::Path::close() {
    data_ += 'Z';
}

void SvgPicture::add_path(const Path& path, std::string_view style) {
    if (path.empty()) {
        return;
    }
    body_ += "<path d=\"";
    body_ += path.data_;
    body_ += "\" ";
    body_ += style;
    body_ += "/>\n";
}

void SvgPicture::add_circle(const Point<2>& centre, double radius_px,
                            std::string_view style) {
    body_ += "<circle cx=\"";
    append_number(body_, x(centre));
    body_ += "\" cy=\"";
    append_number(body_, y(centre));
    body_ += "\" r=\"";
    append_number(body_, radius_px);
    body_ += "\" ";
    body_ += style;
    body_ += "/>\n";
}

void SvgPicture::add_cross(const Point<2>& centre, double half_size_px,
                           std::string_view style) {
    const double cx = x(centre);
    const double cy = y(centre);
    body_ += "<path d=\"M";
    append_number(body_, cx - half_size_px);
    body_ += ' ';
    append_number(body_, cy - half_size_px);
    body_ += 'L';
    append_number(body_, cx + half_size_px);
    body_ += ' ';
    append_number(body_, cy + half_size_px);
    body_ += 'M';
    append_number(body_, cx - half_size_px);
    body_ += ' ';
    append_number(body_, cy + half_size_px);
    body_ += 'L';
    append_number(body_, cx + half_size_px);
    body_ += ' ';
    append_number(body_, cy - half_size_px);
    body_ += "\" ";
    body_ += style;
    body_ += "/>\n";
}

void SvgPicture::add_text(double x_px, double y_px, std::string_view text,
                          std::string_view style) {
    body_ += "<text x=\"";
    append_number(body_, x_px);
    body_ += "\" y=\"";
    append_number(body_, y_px);
    body_ += "\" ";
    body_ += style;
    body_ += '>';
    body_ += escaped(text);
    body_ += "</text>\n";
}

void SvgPicture::save(const std::string& file) const {
    std::ofstream out{file, std::ios::binary};
    if (!out) {
        throw std::runtime_error{"cannot open " + file + " for writing"};
    }
    std::string header = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
    append_number(header, width_);
    header += "\" height=\"";
    append_number(header, height_);
    header += "\" viewBox=\"0 0 ";
    append_number(header, width_);
    header += ' ';
    append_number(header, height_);
    header += "\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out << header << body_ << "</svg>\n";
    if (!out) {
        throw std::runtime_error{"cannot write " + file};
    }
}

}  // namespace orvane::demo
