#include "overlay.h"

#include "base/show.h"
#include "capture_options.h"
#include "picture.h"
#include "platform/overlay_input.h"
#include "tracks/tracks.h"

#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

#include <cmath>
#include <cstdio>

bool startOverlay(Studio& studio) {
    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr; // the layout is not kept between runs
    return overlayInputStart(studio.window) && ImGui_ImplOpenGL2_Init();
}

void beginOverlayFrame() {
    ImGui_ImplOpenGL2_NewFrame();
    overlayInputNewFrame();
    ImGui::NewFrame();
}

void dropOverlayFrame() {
    ImGui::EndFrame();
}

void stopOverlay() {
    ImGui_ImplOpenGL2_Shutdown();
    overlayInputStop();
    ImGui::DestroyContext();
}

void handleKeys(Studio& studio) {
    const ImGuiIO& io = ImGui::GetIO();
    if (io.WantTextInput) return;
    const int32_t unit = io.KeyShift ? int32_t(showRowsPerBeat) : showRowsPerBar;
    const double row = studioRow(studio);
    if (overlayKeyPressed(overlayKeySpace, false)) studioSetPlaying(studio, !studio.playing);
    if (overlayKeyPressed(overlayKeyRight, true)) studioSeek(studio, stepGrid(row, unit, 1));
    if (overlayKeyPressed(overlayKeyLeft, true)) studioSeek(studio, stepGrid(row, unit, -1));
    // Pressing back within half a second of a section's start goes to the one before.
    const double slack = studio.playing ? showRowsPerSecond / 2.0 : 0.0;
    if (overlayKeyPressed(overlayKeyPageDown, true))
        studioSeek(studio, nextSectionStart(studio.timeline, row));
    if (overlayKeyPressed(overlayKeyPageUp, true))
        studioSeek(studio, previousSectionStart(studio.timeline, row, slack));
    if (overlayKeyPressed(overlayKeyHome, false)) studioSeek(studio, 0.0);
    if (overlayKeyPressed(overlayKeyLeftBracket, false)) studio.loop.start = std::floor(row);
    if (overlayKeyPressed(overlayKeyRightBracket, false)) studio.loop.end = std::ceil(row);
    if (overlayKeyPressed(overlayKeyL, false)) studio.loop.enabled = !studio.loop.enabled;
    if (overlayKeyPressed(overlayKeyTab, false)) studio.overlay = !studio.overlay;
    if (overlayKeyPressed(overlayKey1, false)) studio.scale = 1;
    if (overlayKeyPressed(overlayKey2, false)) studio.scale = 2;
    if (overlayKeyPressed(overlayKey4, false)) studio.scale = 4;
    if (overlayKeyPressed(overlayKeyF12, false) || overlayKeyPressed(overlayKeyS, false))
        studioWriteStill(studio, ("stills/" + stillName(row)).c_str());
    if (overlayKeyPressed(overlayKeyEscape, false)) studio.quit = true;
}

static void transportPanel(Studio& studio, double row) {
    ImGui::SetNextWindowPos(ImVec2(8, 8), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(0.6f);
    ImGui::Begin("Transport", nullptr, ImGuiWindowFlags_AlwaysAutoResize);
    const double seconds = row / showRowsPerSecond;
    const ShowSection* section = sectionAt(studio.timeline, row);
    ImGui::Text("%d:%06.3f   %s   row %.2f   %s", int(seconds / 60.0), std::fmod(seconds, 60.0),
                formatPosition(row).c_str(), row, section ? section->name.c_str() : "-");
    if (ImGui::Button(studio.playing ? "Pause" : "Play")) studioSetPlaying(studio, !studio.playing);
    ImGui::SameLine();
    ImGui::SetNextItemWidth(140);
    if (ImGui::InputTextWithHint("##goto", "row, B:B:R, section", studio.typedPosition,
                                 sizeof studio.typedPosition,
                                 ImGuiInputTextFlags_EnterReturnsTrue)) {
        double target = 0.0;
        std::string error;
        if (parsePosition(studio.typedPosition, studio.timeline, &target, &error) == 0)
            studioSeek(studio, target);
    }
    ImGui::SameLine();
    ImGui::Checkbox("loop", &studio.loop.enabled);
    ImGui::SameLine();
    ImGui::Text("%s - %s", formatPosition(studio.loop.start).c_str(),
                formatPosition(studio.loop.end).c_str());
    ImGui::Text("scale");
    for (int32_t s : {1, 2, 4}) {
        ImGui::SameLine();
        char label[8];
        std::snprintf(label, sizeof label, "1/%d", s);
        if (ImGui::RadioButton(label, studio.scale == s)) studio.scale = s;
    }
    ImGui::SameLine();
    ImGui::Text("%dx%d", studio.content->width, studio.content->height);
    ImGui::Text("frame %.1f ms   GPU scene %.2f  glow %.2f  final %.2f ms", studio.frameMs,
                studio.passMs[0], studio.passMs[1], studio.passMs[2]);
    if (studio.scoreRender) ImGui::Text("rendering the saved score...");
    if (studio.reloadsDone > 0)
        ImGui::Text("reloads %lld, last %.0f ms from save to frame",
                    static_cast<long long>(studio.reloadsDone), studio.lastReloadMs);
    if (!studio.lastStill.empty()) ImGui::Text("still: %s", studio.lastStill.c_str());
    ImGui::TextDisabled("Space play  Left/Right bar (Shift: beat)  PgUp/PgDn section");
    ImGui::TextDisabled("[ ] loop ends  L loop  1/2/4 scale  S still  Tab overlay  Esc quit");
    ImGui::End();
}

static void tracksPanel(Studio& studio, double row) {
    const ImVec2 size = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(size.x - 260, 8), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(252, size.y - 212), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(0.6f);
    ImGui::Begin("Tracks");
    const std::vector<const char*>& names = studioTrackNames();
    for (size_t i = 0; i < names.size(); ++i) {
        ImGui::PushID(int(i));
        ImGui::Checkbox("##plot", &studio.pickedTracks[i]);
        ImGui::SameLine();
        const Track* track = fetchTrack(studio.content->trackSet, names[i]);
        ImGui::Text("%-16s %10.4f", names[i], evaluateTrack(track, row));
        ImGui::PopID();
    }
    ImGui::End();
}

static ImU32 curveColour(size_t i) {
    static const ImU32 colours[] = {IM_COL32(255, 200, 60, 255),  IM_COL32(90, 200, 255, 255),
                                    IM_COL32(255, 110, 170, 255), IM_COL32(140, 255, 120, 255),
                                    IM_COL32(200, 150, 255, 255), IM_COL32(255, 140, 80, 255)};
    return colours[i % (sizeof colours / sizeof colours[0])];
}

// One track's curve over the view, scaled to its own range there, with its keys: a square for
// constant, a circle for linear, a diamond for smooth, a triangle for quadratic.
static void drawCurve(ImDrawList* draw, const char* name, const Track* track, ImU32 colour,
                      ImVec2 origin, ImVec2 size, double first, double span, float labelY) {
    const int samples = int(size.x / 2.0f) + 1;
    std::vector<float> values(size_t(samples) + 1);
    float low = 1e30f, high = -1e30f;
    for (int i = 0; i <= samples; ++i) {
        values[size_t(i)] = float(evaluateTrack(track, first + span * i / samples));
        low = std::fmin(low, values[size_t(i)]);
        high = std::fmax(high, values[size_t(i)]);
    }
    for (int32_t k = 0; k < track->keyCount; ++k)
        if (track->keys[k].row >= first && track->keys[k].row <= first + span) {
            low = std::fmin(low, track->keys[k].value);
            high = std::fmax(high, track->keys[k].value);
        }
    const float range = high > low ? high - low : 1.0f;
    const auto y = [&](float v) {
        return origin.y + size.y - 4 - (v - low) / range * (size.y - 8);
    };
    for (int i = 0; i < samples; ++i)
        draw->AddLine(ImVec2(origin.x + size.x * i / samples, y(values[size_t(i)])),
                      ImVec2(origin.x + size.x * (i + 1) / samples, y(values[size_t(i) + 1])),
                      colour, 1.5f);
    for (int32_t k = 0; k < track->keyCount; ++k) {
        const TrackKey key = track->keys[k];
        if (key.row < first || key.row > first + span) continue;
        const ImVec2 p(origin.x + float((key.row - first) / span) * size.x, y(key.value));
        switch (key.interpolation) {
        case Constant:
            draw->AddRectFilled(ImVec2(p.x - 3, p.y - 3), ImVec2(p.x + 3, p.y + 3), colour);
            break;
        case Linear:
            draw->AddCircleFilled(p, 3.5f, colour);
            break;
        case Smooth:
            draw->AddQuadFilled(ImVec2(p.x, p.y - 4), ImVec2(p.x + 4, p.y), ImVec2(p.x, p.y + 4),
                                ImVec2(p.x - 4, p.y), colour);
            break;
        default:
            draw->AddTriangleFilled(ImVec2(p.x, p.y - 4), ImVec2(p.x + 4, p.y + 3),
                                    ImVec2(p.x - 4, p.y + 3), colour);
            break;
        }
    }
    char label[96];
    std::snprintf(label, sizeof label, "%s  %.4g .. %.4g", name, low, high);
    draw->AddText(ImVec2(origin.x + 4, labelY), colour, label);
}

static void timelinePanel(Studio& studio, double row) {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(8, display.y - 188), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(display.x - 16, 180), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(0.6f);
    ImGui::Begin("Timeline", nullptr, ImGuiWindowFlags_NoScrollbar);
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    ImVec2 size = ImGui::GetContentRegionAvail();
    if (size.x < 50 || size.y < 30) {
        ImGui::End();
        return;
    }
    ImGui::InvisibleButton("##timeline", size);
    const bool hovered = ImGui::IsItemHovered();
    double& span = studio.timelineSpan; // the mouse wheel over the timeline zooms
    const double first = row - span / 2.0;
    const auto x = [&](double r) { return origin.x + float((r - first) / span) * size.x; };
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->PushClipRect(origin, ImVec2(origin.x + size.x, origin.y + size.y), true);
    // Sections as alternating bands with their names; the end of the music closes the last.
    const std::vector<ShowSection>& sections = studio.timeline.sections;
    for (size_t i = 0; i < sections.size(); ++i) {
        const double end = i + 1 < sections.size()      ? sections[i + 1].row
                           : studio.timeline.endRow > 0 ? studio.timeline.endRow
                                                        : sections[i].row + 1e6;
        const ImU32 shade = i % 2 ? IM_COL32(60, 60, 70, 120) : IM_COL32(40, 40, 50, 120);
        draw->AddRectFilled(ImVec2(x(sections[i].row), origin.y), ImVec2(x(end), origin.y + size.y),
                            shade);
        // The name of a section that began left of the view stays at the view's left edge.
        const float nameX = std::fmax(x(sections[i].row), origin.x) + 3;
        if (x(end) > nameX + 40)
            draw->AddText(ImVec2(nameX, origin.y + 2), IM_COL32(220, 220, 220, 255),
                          sections[i].name.c_str());
    }
    // Bar lines, when they are not too dense to see.
    if (size.x / (span / showRowsPerBar) > 6.0)
        for (double b = std::ceil(first / showRowsPerBar) * showRowsPerBar; b < first + span;
             b += showRowsPerBar)
            draw->AddLine(ImVec2(x(b), origin.y + size.y - 8), ImVec2(x(b), origin.y + size.y),
                          IM_COL32(160, 160, 160, 160));
    if (studio.loop.end > studio.loop.start)
        draw->AddRectFilled(
            ImVec2(x(studio.loop.start), origin.y), ImVec2(x(studio.loop.end), origin.y + size.y),
            studio.loop.enabled ? IM_COL32(80, 160, 255, 60) : IM_COL32(80, 160, 255, 25));
    const std::vector<const char*>& names = studioTrackNames();
    float labelY = origin.y + 18;
    for (size_t i = 0; i < names.size(); ++i)
        if (studio.pickedTracks[i]) {
            drawCurve(draw, names[i], fetchTrack(studio.content->trackSet, names[i]),
                      curveColour(i), origin, size, first, span, labelY);
            labelY += 14;
        }
    draw->AddLine(ImVec2(x(row), origin.y), ImVec2(x(row), origin.y + size.y),
                  IM_COL32(255, 60, 60, 255), 2.0f);
    draw->PopClipRect();
    // Click or drag to move the cursor; paused, every position shows its exact frame.
    if (ImGui::IsItemActive() && ImGui::IsMouseDown(ImGuiMouseButton_Left)) {
        const double target = first + (ImGui::GetIO().MousePos.x - origin.x) / size.x * span;
        if (std::fabs(target - row) > 1e-9) studioSeek(studio, target);
    }
    if (hovered && ImGui::GetIO().MouseWheel != 0.0f) {
        span *= ImGui::GetIO().MouseWheel > 0 ? 0.8 : 1.25;
        span = std::fmin(std::fmax(span, showRowsPerBeat * 2), 200.0 * showRowsPerBar);
    }
    ImGui::End();
}

static void problemsPanel(const Studio& studio) {
    if (studio.problems.empty()) return;
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(display.x * 0.25f, display.y * 0.35f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(0.85f);
    ImGui::Begin("Problems", nullptr, ImGuiWindowFlags_AlwaysAutoResize);
    std::vector<const std::string*> shown;
    for (const StudioProblem& p : studio.problems) {
        bool repeated = false; // a broken vertex stage fails all three programs alike
        for (const std::string* s : shown)
            repeated = repeated || *s == p.text;
        if (repeated) continue;
        shown.push_back(&p.text);
        ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(255, 110, 100, 255));
        ImGui::TextUnformatted(p.text.c_str());
        ImGui::PopStyleColor();
    }
    ImGui::End();
}

void drawOverlay(Studio& studio, double row) {
    if (studio.overlay) {
        transportPanel(studio, row);
        tracksPanel(studio, row);
        timelinePanel(studio, row);
    }
    // A problem stays on screen with the overlay hidden: the picture is not what the files say.
    problemsPanel(studio);
    ImGui::Render();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
}
