// Demonstration of the background surface library on embedded data.
//
// A jittered grid over an L-shaped domain with a hole becomes a background; a point set
// scattered over and around it is inserted (the points outside are reported), then the
// isolines of a smooth height function at a few values; the background is decimated
// and optimised. A table shows the background after each stage; SVG pictures show it
// with its input points and isolines after the insertions and at the end.
//
// Usage: orvane_demo [picture.svg]   (default: orvane_demo.svg in the current folder;
// the picture after the insertions goes beside it, as orvane_demo_inserted.svg)

#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/basic/timer.hpp>
#include <orvane/kernel/basic/uuid.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/macro/common/element_insertion_info.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/common/surface_library.hpp>
#include <orvane/surface/inserter/background_surface_inserter.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>
#include <orvane/surface/orchestrator/background_surface_decimator.hpp>
#include <orvane/surface/orchestrator/background_surface_optimizer.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_improvement_simulator.hpp>

#include "demo_domain.hpp"
#include "svg_picture.hpp"

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

namespace orvane::demo {
namespace {

using internal::BackgroundSurface;
using internal::BackgroundSurfaceBuilder;
using internal::BackgroundSurfaceConstraintModifier;
using internal::BackgroundSurfaceInserter;
using internal::BackgroundSurfaceModifier;

constexpr index_t nb_points = 1200;
constexpr double point_overhang = 3;
constexpr std::array<double, 5> isovalues{{-0.8, -0.4, 0., 0.4, 0.8}};
constexpr const char* height_attribute = "height";

// The caller's side of a background: the surface and everything bound to it. Not
// movable: the members refer to each other.
struct Background {
    explicit Background(std::unique_ptr<TriangulatedSurface<2>> surface_in)
        : surface(std::move(surface_in)),
          background(*surface),
          builder(background),
          surface_builder(*surface),
          modifier(background, builder, surface_builder) {}
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    ModifiableObject<BackgroundSurface> modifiable() {
        return ModifiableObject<BackgroundSurface>{background, modifier};
    }

    std::unique_ptr<TriangulatedSurface<2>> surface;
    BackgroundSurface background;
    BackgroundSurfaceBuilder builder;
    TriangulatedSurfaceBuilder<2> surface_builder;
    BackgroundSurfaceModifier modifier;
};

double smallest_angle_degrees(const Triangle<2>& t) {
    return 60. * triangle_angle_quality(t);
}

struct StageRow {
    std::string stage;
    index_t nb_vertices{0};
    index_t nb_triangles{0};
    index_t nb_point_macro_vertices{0};
    index_t nb_isoline_macro_vertices{0};
    double smallest_angle{0};
    double mean_quality{0};
    double seconds{0};
};

// Macro vertices from a point set have an index; isoline vertices carry none.
bool is_isoline_tag(const MeshVertex& macro_vertex) {
    return macro_vertex.index == NO_ID;
}

StageRow measure(const Background& b, std::string stage, double seconds) {
    StageRow row;
    row.stage = std::move(stage);
    row.seconds = seconds;
    const auto& surface = *b.surface;
    row.smallest_angle = 180;
    double quality = 0;
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!b.modifier.is_triangle_active(t)) {
            continue;
        }
        ++row.nb_triangles;
        const auto triangle = surface.triangle(t);
        row.smallest_angle =
            std::min(row.smallest_angle, smallest_angle_degrees(triangle));
        quality += triangle_quality(triangle);
    }
    row.mean_quality = row.nb_triangles != 0 ? quality / row.nb_triangles : 0;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        if (surface.is_vertex_isolated(v)) {
            continue;
        }
        ++row.nb_vertices;
        for (const auto& macro_vertex : b.background.macro_vertices(v)) {
            ++(is_isoline_tag(macro_vertex) ? row.nb_isoline_macro_vertices
                                            : row.nb_point_macro_vertices);
        }
    }
    return row;
}

void print_table(const std::vector<StageRow>& rows) {
    std::printf("\n%-10s %9s %10s %13s %15s %9s %10s %9s\n", "stage", "vertices",
                "triangles", "point macro", "isoline macro", "min angle", "mean qual.",
                "time");
    std::printf("%-10s %9s %10s %13s %15s %9s %10s %9s\n", "", "", "", "vertices",
                "vertices", "(deg)", "", "(s)");
    for (const auto& row : rows) {
        std::printf("%-10s %9u %10u %13u %15u %9.2f %10.4f %9.3f\n", row.stage.c_str(),
                    row.nb_vertices, row.nb_triangles, row.nb_point_macro_vertices,
                    row.nb_isoline_macro_vertices, row.smallest_angle, row.mean_quality,
                    row.seconds);
    }
}

// Sets the height attribute of every vertex from its point. The inserter finds the
// attribute by name and reads these values on the edges it examines.
void write_heights(const Background& b) {
    auto attribute =
        b.surface->vertex_attribute_manager().find_or_create_attribute<VariableAttribute>(
            height_attribute, 0., AttributeProperties{false, false, true});
    for (index_t v = 0; v < b.surface->nb_vertices(); ++v) {
        attribute->set_value(v, height(b.surface->point(v)));
    }
}

// The points the inserter left out, from the insertion info.
std::vector<Point<2>> outside_points(const PointSet<2>& points,
                                     const ElementInsertionInfo& info) {
    std::vector<Point<2>> outside;
    for (const auto& entry : info.entries()) {
        if (entry.status == ElementInsertionInfo::OUTSIDE) {
            outside.push_back(points.point(entry.input_index));
        }
    }
    return outside;
}

// Every input point that went in must still sit on a vertex of its own entry.
bool check_points_kept(const Background& b, index_t nb_inserted) {
    std::set<index_t> seen;
    for (index_t v = 0; v < b.surface->nb_vertices(); ++v) {
        if (b.surface->is_vertex_isolated(v)) {
            continue;
        }
        for (const auto& macro_vertex : b.background.macro_vertices(v)) {
            if (!is_isoline_tag(macro_vertex)) {
                seen.insert(macro_vertex.index);
            }
        }
    }
    return seen.size() == nb_inserted;
}

// The isolines that still have a vertex.
std::size_t nb_isolines(const Background& b) {
    std::set<uuid> ids;
    for (index_t v = 0; v < b.surface->nb_vertices(); ++v) {
        if (b.surface->is_vertex_isolated(v)) {
            continue;
        }
        for (const auto& macro_vertex : b.background.macro_vertices(v)) {
            if (is_isoline_tag(macro_vertex)) {
                ids.insert(macro_vertex.component_id);
            }
        }
    }
    return ids.size();
}

const std::array<const char*, 8> isoline_colours{{"#1f77b4", "#2ca02c", "#9467bd",
                                                  "#ff7f0e", "#d62728", "#8c564b",
                                                  "#e377c2", "#17becf"}};

void write_picture(const Background& b, const DomainOptions& domain,
                   const std::vector<Point<2>>& outside, const std::string& title,
                   const std::string& file) {
    const auto& surface = *b.surface;
    const Point<2> min{{-point_overhang, -point_overhang}};
    const Point<2> max{{domain.nx + point_overhang, domain.ny + point_overhang}};
    SvgPicture picture{min, max, 1400, 70};

    auto triangles = picture.path();
    auto border = picture.path();
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!b.modifier.is_triangle_active(t)) {
            continue;
        }
        const auto& vertices = surface.polygon_vertices(t);
        triangles.move_to(surface.point(vertices[0]));
        triangles.line_to(surface.point(vertices[1]));
        triangles.line_to(surface.point(vertices[2]));
        triangles.close();
        for (local_index_t e = 0; e < 3; ++e) {
            if (surface.is_edge_on_border(PolygonEdge{t, e})) {
                const auto ends = surface.polygon_edge_vertices(PolygonEdge{t, e});
                border.move_to(surface.point(ends[0]));
                border.line_to(surface.point(ends[1]));
            }
        }
    }
    picture.add_path(triangles, R"(fill="none" stroke="#b4b4b4" stroke-width="0.5")");
    picture.add_path(border, R"(fill="none" stroke="#404040" stroke-width="1.6")");

    // Isolines: group the tagged vertices by isoline id, ordered by their value (the
    // ids themselves are random).
    const auto heights =
        surface.vertex_attribute_manager().find_attribute<double>(height_attribute);
    std::map<uuid, std::pair<double, std::vector<index_t>>> isolines;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        if (surface.is_vertex_isolated(v)) {
            continue;
        }
        for (const auto& macro_vertex : b.background.macro_vertices(v)) {
            if (is_isoline_tag(macro_vertex)) {
                auto& isoline = isolines[macro_vertex.component_id];
                isoline.first = heights->value(v);
                isoline.second.push_back(v);
            }
        }
    }
    std::vector<std::pair<double, uuid>> order;
    for (const auto& [id, isoline] : isolines) {
        order.emplace_back(isoline.first, id);
    }
    std::sort(order.begin(), order.end());
    const auto carries = [&](index_t v, const uuid& id) {
        for (const auto& macro_vertex : b.background.macro_vertices(v)) {
            if (is_isoline_tag(macro_vertex) && macro_vertex.component_id == id) {
                return true;
            }
        }
        return false;
    };
    double legend_x = 24;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto& id = order[k].second;
        const std::string colour = isoline_colours[k % isoline_colours.size()];
        // Edges joining two vertices of the same isoline, each once.
        auto lines = picture.path();
        for (index_t t = 0; t < surface.nb_polygons(); ++t) {
            if (!b.modifier.is_triangle_active(t)) {
                continue;
            }
            for (local_index_t e = 0; e < 3; ++e) {
                const PolygonEdge edge{t, e};
                const auto ends = surface.polygon_edge_vertices(edge);
                const bool once = ends[0] < ends[1] || surface.is_edge_on_border(edge);
                if (once && carries(ends[0], id) && carries(ends[1], id)) {
                    lines.move_to(surface.point(ends[0]));
                    lines.line_to(surface.point(ends[1]));
                }
            }
        }
        picture.add_path(lines, "fill=\"none\" stroke=\"" + colour +
                                    "\" stroke-width=\"2.2\" stroke-linecap=\"round\"");
        for (const index_t v : isolines[id].second) {
            picture.add_circle(surface.point(v), 1.6, "fill=\"" + colour + "\"");
        }
        char label[64];
        std::snprintf(label, sizeof label, "height %+.2f: %zu vertices", order[k].first,
                      isolines[id].second.size());
        picture.add_text(
            legend_x, 68, label,
            "font-family=\"sans-serif\" font-size=\"14\" fill=\"" + colour + "\"");
        legend_x += 230;
    }

    // Input points: inserted ones on their vertices, the others where they were given.
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        if (surface.is_vertex_isolated(v)) {
            continue;
        }
        for (const auto& macro_vertex : b.background.macro_vertices(v)) {
            if (!is_isoline_tag(macro_vertex)) {
                picture.add_circle(surface.point(v), 2.6,
                                   R"(fill="#111111" stroke="white" stroke-width="0.6")");
                break;
            }
        }
    }
    for (const auto& p : outside) {
        picture.add_cross(p, 3, R"(fill="none" stroke="#e00000" stroke-width="1.4")");
    }
    picture.add_text(24, 24, title,
                     R"(font-family="sans-serif" font-size="16" fill="#202020")");
    picture.add_text(24, 44,
                     "black dots: inserted points (macro vertices); red crosses: points "
                     "outside the background; coloured: isoline vertices and the edges "
                     "joining two of them",
                     R"(font-family="sans-serif" font-size="13" fill="#404040")");
    picture.save(file);
}

// "out/demo.svg" -> "out/demo_inserted.svg".
std::string inserted_picture_file(const std::string& file) {
    const std::filesystem::path path{file};
    auto inserted = path;
    inserted.replace_filename(path.stem().string() + "_inserted" +
                              path.extension().string());
    return inserted.string();
}

std::string absolute_path(const std::string& file) {
    return std::filesystem::absolute(file).lexically_normal().string();
}

int run(const std::string& picture_file) {
    std::printf("Orvane background surface %s demonstration\n\n", ORVANE_VERSION);
    OrvaneBackgroundSurfaceLibrary::initialize();
    std::vector<StageRow> rows;

    const DomainOptions domain;
    Timer timer;
    Background b{make_domain(domain)};
    rows.push_back(measure(b, "build", timer.elapsed_seconds()));

    const auto points = make_point_set(domain, nb_points, point_overhang, 7);
    std::vector<Point<2>> outside;
    index_t nb_inserted = 0;
    {
        BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
        timer.reset();
        const auto info = inserter.insert_point_set(*points);
        const double points_seconds = timer.elapsed_seconds();
        outside = outside_points(*points, info);
        nb_inserted = nb_points - static_cast<index_t>(outside.size());
        rows.push_back(measure(b, "points", points_seconds));
        std::printf("Point set: %u points, %u inserted, %zu outside the background\n",
                    nb_points, nb_inserted, outside.size());

        timer.reset();
        write_heights(b);
        inserter.insert_scalar_function_isovalues(height_attribute, isovalues);
        rows.push_back(measure(b, "isolines", timer.elapsed_seconds()));
    }
    const std::string inserted_file = inserted_picture_file(picture_file);
    write_picture(b, domain, outside,
                  "After inserting the points and the isolines (L-shaped domain with a "
                  "hole)",
                  inserted_file);

    BackgroundSurfaceConstraintModifier constrained{
        b.modifiable(), b.builder,
        ConstraintModifier::CommonConstraints{
            ConstraintModifier::BORDER_CONSTRAINT::fixed}};
    timer.reset();
    internal::decimate_background_surface(
        constrained, internal::BackgroundSurfaceAllNonMacroVertex{b.background});
    rows.push_back(measure(b, "decimate", timer.elapsed_seconds()));

    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    timer.reset();
    internal::optimize_background_surface_elements(constrained, simulator, 0);
    rows.push_back(measure(b, "optimise", timer.elapsed_seconds()));

    print_table(rows);
    if (rows.back().nb_isoline_macro_vertices < rows[2].nb_isoline_macro_vertices) {
        // One macro vertex per isoline, shared by all its vertices, and no macro edges:
        // the macro information lets neighbours along an isoline merge.
        std::printf(
            "\nThe vertices of an isoline all carry the same macro vertex (the isoline's "
            "id) and no\nmacro edge joins them, so optimisation may merge neighbours "
            "along an isoline and swap\nthe edges between them: %u isoline vertices are "
            "left of %u.\n",
            rows.back().nb_isoline_macro_vertices, rows[2].nb_isoline_macro_vertices);
    }

    SurfaceConsistencyOptions consistency;
    consistency.is_polygon_active = [&](index_t t) {
        return b.modifier.is_triangle_active(t);
    };
    const auto problems = check_surface_consistency(*b.surface, consistency);
    const bool points_kept = check_points_kept(b, nb_inserted);
    const bool isolines_kept = nb_isolines(b) == isovalues.size();
    std::printf(
        "\nMesh consistent: %s; all %u inserted points on a vertex: %s; all %zu isolines "
        "on vertices: %s\n",
        problems.empty() ? "yes" : "NO", nb_inserted, points_kept ? "yes" : "NO",
        isovalues.size(), isolines_kept ? "yes" : "NO");
    for (const auto& problem : problems) {
        std::printf("  %s\n", problem.c_str());
    }

    write_picture(b, domain, outside,
                  "After decimation and optimisation (L-shaped domain with a hole)",
                  picture_file);
    std::printf("Pictures:\n  after insertion: %s\n  final:           %s\n",
                absolute_path(inserted_file).c_str(),
                absolute_path(picture_file).c_str());
    return problems.empty() && points_kept && isolines_kept ? 0 : 1;
}

}  // namespace
}  // namespace orvane::demo

int main(int argc, char** argv) {
    const std::string argument = argc > 1 ? argv[1] : "";
    if (argument == "-h" || argument == "--help" || argc > 2) {
        std::printf("usage: %s [picture.svg]\n", argv[0]);
        return argc > 2 ? 2 : 0;
    }
    try {
        return orvane::demo::run(argument.empty() ? "orvane_demo.svg" : argument);
    } catch (const orvane::VelmoraException& e) {
        std::fprintf(stderr, "orvane_demo failed: %s\n", e.chain_string().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvane_demo failed: %s\n", e.what());
    }
    return 1;
}
