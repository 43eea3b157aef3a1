#include "head/DelaunayTriangulation.h"

#include "head/PlanePredicates.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <unordered_map>

namespace orva {

namespace {

// Triangles with, for every directed edge u -> v of one, the triangle that holds it.
class TMesh {
public:
    explicit TMesh(std::size_t points) : points_(static_cast<std::int64_t>(points)) {}

    void Add(int a, int b, int c)
    {
        const int t = static_cast<int>(Triangles.size());
        Triangles.push_back({a, b, c});
        Link(t);
    }

    void Replace(int t, int a, int b, int c)
    {
        Unlink(t);
        Triangles[static_cast<std::size_t>(t)] = {a, b, c};
        Link(t);
    }

    // The triangle holding u -> v, or -1.
    int Holding(int u, int v) const
    {
        const auto it = edges_.find(Key(u, v));
        return it == edges_.end() ? -1 : it->second;
    }

    // The vertex of triangle t that is neither u nor v.
    int Opposite(int t, int u, int v) const
    {
        for (int w : Triangles[static_cast<std::size_t>(t)])
            if (w != u && w != v)
                return w;
        return -1;
    }

    std::vector<std::array<int, 3>> Triangles;

private:
    std::int64_t Key(int u, int v) const { return u * points_ + v; }

    void Link(int t)
    {
        const auto& tri = Triangles[static_cast<std::size_t>(t)];
        for (int i = 0; i < 3; ++i)
            edges_[Key(tri[i], tri[(i + 1) % 3])] = t;
    }

    void Unlink(int t)
    {
        const auto& tri = Triangles[static_cast<std::size_t>(t)];
        for (int i = 0; i < 3; ++i) {
            // A flip may already have given the edge to its other new triangle.
            const auto it = edges_.find(Key(tri[i], tri[(i + 1) % 3]));
            if (it != edges_.end() && it->second == t)
                edges_.erase(it);
        }
    }

    std::int64_t points_;
    std::unordered_map<std::int64_t, int> edges_;
};

bool Before(TDiscPoint a, TDiscPoint b)
{
    return a.X < b.X || (a.X == b.X && a.Y < b.Y);
}

} // namespace

TTriangulation DelaunayTriangulation(const std::vector<TDiscPoint>& points)
{
    TTriangulation result;
    const int n = static_cast<int>(points.size());
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    const auto at = [&](int i) { return points[static_cast<std::size_t>(i)]; };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Before(at(a), at(b)); });
    for (int i = 1; i < n; ++i) {
        const int a = order[static_cast<std::size_t>(i - 1)], b = order[static_cast<std::size_t>(i)];
        if (!Before(at(a), at(b))) {
            result.Coincident = std::minmax(a, b);
            return result;
        }
    }
    if (n < 3)
        return result;

    // The first point off the line of the first two; those before it lie on that line, in
    // order along it, and with it form a fan.
    int apexAt = 2;
    while (apexAt < n && Orientation(at(order[0]), at(order[1]), at(order[static_cast<std::size_t>(apexAt)])) == 0)
        ++apexAt;
    if (apexAt == n) {
        result.Collinear = true;
        return result;
    }
    TMesh mesh(points.size());
    const int apex = order[static_cast<std::size_t>(apexAt)];
    std::vector<int> chain(order.begin(), order.begin() + apexAt);
    if (Orientation(at(chain[0]), at(chain[1]), at(apex)) < 0)
        std::reverse(chain.begin(), chain.end());
    for (std::size_t i = 0; i + 1 < chain.size(); ++i)
        mesh.Add(chain[i], chain[i + 1], apex);
    // The hull, counter-clockwise.
    std::vector<int> hull = chain;
    hull.push_back(apex);

    // Each later point lies beyond every earlier one in the sweep order, so strictly outside
    // the hull: it closes a triangle with every hull edge it sees from outside.
    for (int k = apexAt + 1; k < n; ++k) {
        const int p = order[static_cast<std::size_t>(k)];
        const std::size_t h = hull.size();
        std::vector<bool> sees(h);
        for (std::size_t i = 0; i < h; ++i)
            sees[i] = Orientation(at(hull[i]), at(hull[(i + 1) % h]), at(p)) < 0;
        // The seen edges are consecutive round the hull: start at the first after an unseen one.
        std::size_t first = 0;
        while (first < h && !(sees[first] && !sees[(first + h - 1) % h]))
            ++first;
        if (first == h)
            continue; // cannot happen for a point outside the hull; kept from looping
        std::size_t count = 0;
        while (sees[(first + count) % h])
            ++count;
        for (std::size_t i = 0; i < count; ++i)
            mesh.Add(hull[(first + i + 1) % h], hull[(first + i) % h], p);
        // The vertices strictly inside the seen chain leave the hull; p comes in their place.
        std::vector<int> next;
        next.reserve(h + 1);
        for (std::size_t i = 0; i <= h - count; ++i)
            next.push_back(hull[(first + count + i) % h]);
        next.push_back(p);
        hull = std::move(next);
    }

    // Flip every edge whose far vertex lies strictly inside the circle of its near triangle.
    std::vector<std::pair<int, int>> pending;
    for (const auto& tri : mesh.Triangles)
        for (int i = 0; i < 3; ++i)
            pending.emplace_back(tri[i], tri[(i + 1) % 3]);
    while (!pending.empty()) {
        const auto [u, v] = pending.back();
        pending.pop_back();
        const int near = mesh.Holding(u, v), far = mesh.Holding(v, u);
        if (near < 0 || far < 0)
            continue;
        const int a = mesh.Opposite(near, u, v), b = mesh.Opposite(far, v, u);
        if (InCircle(at(u), at(v), at(a), at(b)) <= 0)
            continue;
        mesh.Replace(near, u, b, a);
        mesh.Replace(far, b, v, a);
        pending.insert(pending.end(), {{u, b}, {b, v}, {v, a}, {a, u}});
    }
    result.Triangles = std::move(mesh.Triangles);
    return result;
}

} // namespace orva
