// Fuzzes URL parsing and the widget's deep links: any text either is no URL or a URL whose parts can be
// taken; a link's target links back to the same target; and a project id either makes a link that
// parses back to that id or is refused with std::invalid_argument, never a link to somewhere else.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "FuzzCheck.hpp"
#include "today/widget/WidgetHelper.hpp"

using namespace today;
using Target = WidgetHelper::WidgetURLTarget;

namespace {

bool sameTarget(const Target& a, const Target& b) { return a.kind() == b.kind() && a.projectId() == b.projectId(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const WidgetHelper& helper = WidgetHelper::shared;

    if (const auto url = Url::parse(text)) {
        (void)url->scheme();
        (void)url->isFileUrl();
        (void)url->path();
        (void)url->standardized().path();
        (void)url->appendingPathComponent("a b/c%").string();
        if (const auto target = helper.target(*url)) {
            try {
                const auto back = helper.target(helper.widgetUrl(*target));
                fuzzing::require(back && sameTarget(*back, *target), "a link's target links back to itself");
            } catch (const std::invalid_argument&) {
                fuzzing::require(target->kind() == Target::Kind::project, "setting links are always made");
            }
        }
    }

    if (text != "today-setting" && text != "today-setting-guide" && !text.empty()) {
        try {
            const auto target = helper.target(helper.widgetUrl(Target::project(text)));
            fuzzing::require(target && sameTarget(*target, Target::project(text)), "a project link names its id");
        } catch (const std::invalid_argument&) {
        }
    }

    if (text.find('\0') == std::string::npos) {
        const Url file = Url::fileUrl(text);
        fuzzing::require(file.isFileUrl(), "a path makes a file URL");
        fuzzing::require(Url::parse(file.string()).has_value(), "a file URL's text parses");
        (void)file.standardized().path();
    }
    return 0;
}
