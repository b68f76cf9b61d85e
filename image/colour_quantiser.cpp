// colour_quantiser.cpp: median cut over the pictures' colour histogram, then k-means rounds.
// The body's flat colours come from a 256-colour palette, but smooth shading and translucency
// blend between them; weighting each colour by its pixel count gives the large smooth areas
// the fine steps they need, so gradients show no bands.
#include "image/colour_quantiser.h"

#include <algorithm>
#include <unordered_map>

namespace {

struct Bin {
    uint32_t rgb;    // 0xRRGGBB
    uint32_t count;  // pixels of this colour in all pictures
};

int channel(uint32_t rgb, int c) { return static_cast<int>((rgb >> (16 - 8 * c)) & 0xFF); }

struct Box {
    size_t begin, end;  // bins[begin, end)
    double error;       // the box's sum of squared distances from its mean, weighted by count
    int axis;           // the channel of the largest share of that error
};

Box measure(const std::vector<Bin>& bins, size_t begin, size_t end)
{
    double n = 0, sum[3] = {0, 0, 0}, squares[3] = {0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        const double w = bins[i].count;
        n += w;
        for (int c = 0; c < 3; ++c) {
            const double v = channel(bins[i].rgb, c);
            sum[c] += w * v;
            squares[c] += w * v * v;
        }
    }
    Box box{begin, end, 0.0, 0};
    double largest = -1.0;
    for (int c = 0; c < 3; ++c) {
        const double e = squares[c] - sum[c] * sum[c] / n;
        box.error += e;
        if (e > largest) {
            largest = e;
            box.axis = c;
        }
    }
    if (end - begin < 2) box.error = 0.0;  // one colour cannot be split
    return box;
}

std::array<double, 3> meanOf(const std::vector<Bin>& bins, size_t begin, size_t end)
{
    double n = 0;
    std::array<double, 3> sum{0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        n += bins[i].count;
        for (int c = 0; c < 3; ++c)
            sum[static_cast<size_t>(c)] += static_cast<double>(bins[i].count) * channel(bins[i].rgb, c);
    }
    for (double& s : sum) s /= n;
    return sum;
}

int distance(uint32_t rgb, const std::array<double, 3>& colour)
{
    int d = 0;
    for (int c = 0; c < 3; ++c) {
        const int e = channel(rgb, c) - static_cast<int>(colour[static_cast<size_t>(c)] + 0.5);
        d += e * e;
    }
    return d;
}

size_t nearest(uint32_t rgb, const std::vector<std::array<double, 3>>& palette)
{
    size_t best = 0;
    int bestDistance = 1 << 30;
    for (size_t p = 0; p < palette.size() && bestDistance > 0; ++p) {
        const int d = distance(rgb, palette[p]);
        if (d < bestDistance) {
            bestDistance = d;
            best = p;
        }
    }
    return best;
}

std::vector<Bin> histogram(const std::vector<RgbImage>& pictures)
{
    std::unordered_map<uint32_t, uint32_t> counts;
    counts.reserve(1 << 16);
    for (const RgbImage& picture : pictures) {
        uint32_t last = 0xFFFFFFFFu;
        uint32_t* lastCount = nullptr;
        for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
            const uint32_t rgb =
                uint32_t{picture.rgb[i]} << 16 | uint32_t{picture.rgb[i + 1]} << 8 | picture.rgb[i + 2];
            // Runs of one colour (the background above all) skip the lookup.
            if (rgb != last) {
                last = rgb;
                lastCount = &counts[rgb];
            }
            ++*lastCount;
        }
    }
    std::vector<Bin> bins;
    bins.reserve(counts.size());
    for (const auto& [rgb, count] : counts) bins.push_back({rgb, count});
    std::sort(bins.begin(), bins.end(), [](const Bin& a, const Bin& b) { return a.rgb < b.rgb; });  // a stable palette
    return bins;
}

}  // namespace

QuantisedPictures quantise(const std::vector<RgbImage>& pictures, int maxColours)
{
    maxColours = std::clamp(maxColours, 1, 256);
    std::vector<Bin> bins = histogram(pictures);
    QuantisedPictures result;
    std::vector<std::array<double, 3>> palette;

    if (bins.empty()) {
        palette.push_back({0, 0, 0});
    } else if (bins.size() <= static_cast<size_t>(maxColours)) {
        for (const Bin& b : bins)
            palette.push_back({double(channel(b.rgb, 0)), double(channel(b.rgb, 1)), double(channel(b.rgb, 2))});
    } else {
        // Median cut: split the box that holds the most error at the weighted median of its widest channel.
        std::vector<Box> boxes{measure(bins, 0, bins.size())};
        while (boxes.size() < static_cast<size_t>(maxColours)) {
            auto worst = std::max_element(boxes.begin(), boxes.end(),
                                          [](const Box& a, const Box& b) { return a.error < b.error; });
            if (worst->error <= 0.0) break;
            const Box box = *worst;
            std::sort(bins.begin() + static_cast<std::ptrdiff_t>(box.begin),
                      bins.begin() + static_cast<std::ptrdiff_t>(box.end),
                      [&](const Bin& a, const Bin& b) { return channel(a.rgb, box.axis) < channel(b.rgb, box.axis); });
            double total = 0;
            for (size_t i = box.begin; i < box.end; ++i) total += bins[i].count;
            double running = 0;
            size_t cut = box.begin + 1;
            for (size_t i = box.begin; i < box.end - 1; ++i) {
                running += bins[i].count;
                cut = i + 1;
                if (running >= total / 2) break;
            }
            *worst = measure(bins, box.begin, cut);
            boxes.push_back(measure(bins, cut, box.end));
        }
        for (const Box& box : boxes) palette.push_back(meanOf(bins, box.begin, box.end));

        // k-means rounds: every colour to its nearest entry, every entry to the mean of its colours.
        std::vector<size_t> owner(bins.size());
        for (int round = 0; round < 4; ++round) {
            std::vector<std::array<double, 4>> sums(palette.size(), {0, 0, 0, 0});
            for (size_t i = 0; i < bins.size(); ++i) {
                owner[i] = nearest(bins[i].rgb, palette);
                std::array<double, 4>& s = sums[owner[i]];
                for (int c = 0; c < 3; ++c)
                    s[static_cast<size_t>(c)] += static_cast<double>(bins[i].count) * channel(bins[i].rgb, c);
                s[3] += bins[i].count;
            }
            for (size_t p = 0; p < palette.size(); ++p)
                if (sums[p][3] > 0)
                    for (size_t c = 0; c < 3; ++c) palette[p][c] = sums[p][c] / sums[p][3];
        }
    }

    for (const auto& colour : palette) {
        std::array<uint8_t, 3> entry{};
        for (size_t c = 0; c < 3; ++c) entry[c] = static_cast<uint8_t>(std::clamp(colour[c] + 0.5, 0.0, 255.0));
        result.palette.push_back(entry);
    }
    // The rounded palette is what the pictures will show: map each colour to its nearest entry.
    std::vector<std::array<double, 3>> shown;
    for (const auto& e : result.palette) shown.push_back({double(e[0]), double(e[1]), double(e[2])});
    std::unordered_map<uint32_t, uint8_t> index;
    index.reserve(bins.size());
    for (const Bin& b : bins) index[b.rgb] = static_cast<uint8_t>(nearest(b.rgb, shown));

    for (const RgbImage& picture : pictures) {
        std::vector<uint8_t> out(picture.rgb.size() / 3);
        uint32_t last = 0xFFFFFFFFu;
        uint8_t lastIndex = 0;
        for (size_t i = 0, p = 0; p < out.size(); i += 3, ++p) {
            const uint32_t rgb =
                uint32_t{picture.rgb[i]} << 16 | uint32_t{picture.rgb[i + 1]} << 8 | picture.rgb[i + 2];
            if (rgb != last) {
                last = rgb;
                lastIndex = index[rgb];
            }
            out[p] = lastIndex;
        }
        result.indices.push_back(std::move(out));
    }
    return result;
}
