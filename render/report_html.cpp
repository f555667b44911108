#include "render/report_html.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "render/plot_files.h"

namespace kestrano {

namespace {

using Json = nlohmann::ordered_json;

const int kThumbnailWidth = 320;

std::string escaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

// A relative link to a file inside the results folder.
std::string linkTo(const std::string& folder, const std::string& file)
{
    return QUrl::toPercentEncoding(QString::fromStdString(folder)).toStdString() + "/" + file;
}

std::string dataUri(const QByteArray& png)
{
    return "data:image/png;base64," + png.toBase64().toStdString();
}

const Json& member(const Json& object, const char* key)
{
    static const Json none;
    return object.is_object() && object.contains(key) ? object.at(key) : none;
}

// A cell's text and, for numbers, the value it sorts by.
struct Cell {
    std::string text;
    std::string sortValue;
};

Cell cellOf(const Json& value)
{
    if (value.is_number()) {
        const double v = value.get<double>();
        return {QString::number(v, 'g', 6).toStdString(), QString::number(v, 'g', 17).toStdString()};
    }
    if (value.is_string())
        return {value.get<std::string>(), ""};
    if (value.is_boolean())
        return {value.get<bool>() ? "true" : "false", ""};
    return {"", ""};
}

std::string pixelSizeText(const Json& size)
{
    const Cell x = cellOf(member(size, "x")), y = cellOf(member(size, "y"));
    return x.text == y.text ? x.text : x.text + " x " + y.text;
}

std::string thumbnailOfFile(const std::filesystem::path& overlay)
{
    const QImage picture(QString::fromStdString(overlay.string()));
    return picture.isNull() ? "" : reportThumbnail(picture);
}

std::string plotPicture(const std::filesystem::path& svg)
{
    std::error_code missing;
    if (!std::filesystem::is_regular_file(svg, missing))
        return "";  // a run without pictures: nothing to say about it
    QSvgRenderer renderer(QString::fromStdString(svg.string()));
    if (!renderer.isValid())
        return "";
    QImage picture(kPlotSize, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    renderer.render(&painter);
    painter.end();
    return dataUri(pngBytes(picture));
}

const char* const kStyle = R"(
body { font-family: sans-serif; margin: 1.5em; color: #222; background: #fff; }
table { border-collapse: collapse; margin: 0.5em 0 1.5em; font-size: 0.9em; }
.scroll { overflow-x: auto; }
th, td { border: 1px solid #ccc; padding: 0.25em 0.5em; text-align: left; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
#summary th { cursor: pointer; background: #eef; user-select: none; }
#summary th.asc::after { content: " \25B2"; } #summary th.desc::after { content: " \25BC"; }
tr.failed td { background: #fdd; }
section.image { border-top: 2px solid #ccd; padding-top: 0.5em; margin-top: 1em; }
.pictures { display: flex; flex-wrap: wrap; gap: 1em; align-items: flex-start; }
.pictures img { border: 1px solid #ccc; }
.warning { color: #a40; } .missing { color: #888; font-style: italic; }
)";

// Sorts the summary table by the clicked column: numbers by value, text in
// locale order, empty cells last; a second click reverses. "report.html#sort=N" or
// "#sort=N-desc" opens the page sorted by column N (0 is the image name).
const char* const kScript = R"(
(function () {
  var table = document.getElementById('summary');
  var heads = table.tHead.rows[0].cells;
  Array.prototype.forEach.call(heads, function (th, column) {
    th.addEventListener('click', function () {
      var ascending = !th.classList.contains('asc');
      Array.prototype.forEach.call(heads, function (h) { h.classList.remove('asc', 'desc'); });
      th.classList.add(ascending ? 'asc' : 'desc');
      var body = table.tBodies[0];
      var rows = Array.prototype.slice.call(body.rows);
      rows.sort(function (a, b) {
        var x = a.cells[column], y = b.cells[column];
        var nx = x.getAttribute('data-v'), ny = y.getAttribute('data-v');
        // A number always comes before an empty cell, in either direction.
        if (nx !== null && ny === null && y.textContent === '') return -1;
        if (ny !== null && nx === null && x.textContent === '') return 1;
        var order = nx !== null && ny !== null ? parseFloat(nx) - parseFloat(ny)
                                               : x.textContent.localeCompare(y.textContent);
        return ascending ? order : -order;
      });
      rows.forEach(function (row) { body.appendChild(row); });
    });
  });
  table.setAttribute('data-sortable', 'yes');
  var wanted = /^#sort=(\d+)(-desc)?$/.exec(location.hash);
  if (wanted && heads[+wanted[1]]) {
    heads[+wanted[1]].click();
    if (wanted[2]) heads[+wanted[1]].click();
  }
})();
)";

// The columns of summary.csv but the run time, so that the page is the same
// for the same results, whatever --jobs was.
struct Column {
    const char* title;
    std::function<Cell(const Json&)> value;
};

std::vector<Column> summaryColumns()
{
    const auto field = [](const char* group, const char* key) {
        return [group, key](const Json& record) { return cellOf(member(group ? member(record, group) : record, key)); };
    };
    return {
        {"file", field("input", "path")},
        {"page", field("input", "page")},
        {"width", field("input", "width")},
        {"height", field("input", "height")},
        {"pixel size", [](const Json& r) { return Cell{pixelSizeText(member(r, "pixel_size")), ""}; }},
        {"unit", field("pixel_size", "unit")},
        {"segments", field("summary", "segments")},
        {"total length", field("summary", "total_length")},
        {"mean length", field("summary", "mean_length")},
        {"median length", field("summary", "median_length")},
        {"mean angle (deg)", field("summary", "mean_angle_deg")},
        {"alignment", field("summary", "alignment")},
        {"border segments", field("summary", "border_segments")},
        {"status", field(nullptr, "status")},
        {"message", field(nullptr, "message")},
    };
}

void writeSummaryTable(std::string& html, const std::vector<ReportImage>& images)
{
    const std::vector<Column> columns = summaryColumns();
    html += "<div class=\"scroll\"><table id=\"summary\">\n<thead><tr><th>image</th>";
    for (const Column& column : columns)
        html += std::string("<th>") + column.title + "</th>";
    html += "</tr></thead>\n<tbody>\n";
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Json& record = images[i].record;
        const bool failed = member(record, "status") != Json("ok");
        html += std::string("<tr") + (failed ? " class=\"failed\"" : "") + " data-folder=\"" +
                escaped(images[i].folder) + "\"><td><a href=\"#image-" + std::to_string(i + 1) + "\">" +
                escaped(images[i].folder) + "</a></td>";
        for (const Column& column : columns) {
            const Cell cell = column.value(record);
            html += cell.sortValue.empty() ? "<td>" : "<td class=\"n\" data-v=\"" + cell.sortValue + "\">";
            html += escaped(cell.text) + "</td>";
        }
        html += "</tr>\n";
    }
    html += "</tbody>\n</table></div>\n";
}

void writeImageSection(std::string& html, const std::filesystem::path& dir, const ReportImage& image, std::size_t number)
{
    const Json& record = image.record;
    const std::filesystem::path folder = dir / image.folder;
    html += "<section class=\"image\" id=\"image-" + std::to_string(number) + "\">\n<h2>" + escaped(image.folder) +
            "</h2>\n<p>" + escaped(cellOf(member(member(record, "input"), "path")).text);
    const Cell segments = cellOf(member(member(record, "summary"), "segments"));
    if (!segments.text.empty())
        html += " &middot; <span class=\"segments\">" + segments.text + " segments</span>";
    html += " &middot; status: " + escaped(cellOf(member(record, "status")).text) + "</p>\n";
    const Json& warnings = member(record, "warnings");
    if (member(record, "status") != Json("ok"))
        html += "<p class=\"warning\">" + escaped(cellOf(member(record, "message")).text) + "</p>\n";
    if (warnings.is_array() && !warnings.empty()) {
        html += "<ul class=\"warnings\">\n";
        for (const Json& warning : warnings)
            html += "<li class=\"warning\">" + escaped(cellOf(warning).text) + "</li>\n";
        html += "</ul>\n";
    }
    html += "<div class=\"pictures\">\n";
    const std::string overlay = image.thumbnail.empty() ? thumbnailOfFile(folder / "overlay.png") : image.thumbnail;
    if (overlay.empty())
        html += "<p class=\"missing\">no overlay</p>\n";
    else
        html += "<a href=\"" + linkTo(image.folder, "overlay.png") + "\"><img class=\"overlay\" alt=\"overlay of " +
                escaped(image.folder) + "\" width=\"" + std::to_string(kThumbnailWidth) + "\" src=\"" + overlay +
                "\"></a>\n";
    for (const char* plot : {"lengths", "angles"}) {
        const std::string picture = plotPicture(folder / (std::string(plot) + ".svg"));
        if (picture.empty())
            continue;
        html += "<a href=\"" + linkTo(image.folder, std::string(plot) + ".svg") + "\"><img class=\"plot " + plot +
                "\" alt=\"" + plot + " of " + escaped(image.folder) + "\" width=\"" +
                std::to_string(kPlotSize.width()) + "\" src=\"" + picture + "\"></a>\n";
    }
    html += "</div>\n</section>\n";
}

// The parameters every run shares; where they differ, each value with its images.
void writeRunSection(std::string& html, const std::vector<ReportImage>& images)
{
    std::set<std::string> versions;
    std::map<std::string, std::map<std::string, std::vector<std::string>>> parameters;
    std::size_t withParameters = 0;
    for (const ReportImage& image : images) {
        const Json& version = member(image.record, "version");
        if (version.is_string())
            versions.insert(version.get<std::string>());
        const Json& list = member(image.record, "parameters");
        if (!list.is_object())
            continue;
        ++withParameters;
        for (const auto& [name, value] : list.items())
            parameters[name][cellOf(value).text].push_back(image.folder);
    }
    html += "<h2>Run</h2>\n<p>kestrano version: <span id=\"version\">";
    std::string joined;
    for (const std::string& version : versions)
        joined += (joined.empty() ? "" : ", ") + version;
    html += escaped(joined.empty() ? "unknown" : joined) + "</span></p>\n";
    html += "<table id=\"parameters\">\n<thead><tr><th>parameter</th><th>value</th></tr></thead>\n<tbody>\n";
    for (const auto& [name, values] : parameters) {
        html += "<tr><td>" + escaped(name) + "</td><td>";
        if (values.size() == 1 && values.begin()->second.size() == withParameters) {
            html += escaped(values.begin()->first);
        } else {
            for (const auto& [value, folders] : values) {
                std::string where;
                for (const std::string& folder : folders)
                    where += (where.empty() ? "" : ", ") + folder;
                html += escaped(value) + " (" + escaped(where) + ")<br>";
            }
        }
        html += "</td></tr>\n";
    }
    html += "</tbody>\n</table>\n";
}

}  // namespace

std::string reportThumbnail(const QImage& overlay)
{
    // A PNG file of 8-bit RGB reads back as RGB32: scale that, so that a page
    // made from memory and one made from the folder are the same.
    QImage picture = overlay.convertToFormat(QImage::Format_RGB32);
    if (picture.width() > kThumbnailWidth)
        picture = picture.scaledToWidth(kThumbnailWidth, Qt::SmoothTransformation);
    return dataUri(pngBytes(picture));
}

std::string reportHtml(const std::string& dir, std::vector<ReportImage> images)
{
    std::sort(images.begin(), images.end(),
              [](const ReportImage& a, const ReportImage& b) { return a.folder < b.folder; });
    std::size_t failed = 0, segments = 0;
    for (const ReportImage& image : images) {
        failed += member(image.record, "status") != Json("ok");
        const Json& count = member(member(image.record, "summary"), "segments");
        segments += count.is_number_unsigned() || count.is_number_integer() ? count.get<std::size_t>() : 0;
    }
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>kestrano results</title>\n<style>";
    html += kStyle;
    html += "</style>\n</head>\n<body>\n<h1>kestrano results</h1>\n<p>" + std::to_string(images.size()) +
            " images, " + std::to_string(segments) + " segments in all, " + std::to_string(failed) +
            " failed. Click a column heading to sort.</p>\n";
    writeSummaryTable(html, images);
    for (std::size_t i = 0; i < images.size(); ++i)
        writeImageSection(html, dir, images[i], i + 1);
    writeRunSection(html, images);
    html += "<script>";
    html += kScript;
    html += "</script>\n</body>\n</html>\n";
    return html;
}

}  // namespace kestrano
