// The overlay-input seam on GLFW 3 through Dear ImGui's own GLFW platform backend: it hooks the
// window's callbacks (calling on to those the window backend set) and keeps ImGui's key states by
// GLFW key code, so each of the seam's keys is read as its GLFW code.
#include "platform/overlay_input.h"

#include "platform/window.h"

#include <GLFW/glfw3.h>
#include <backends/imgui_impl_glfw.h>
#include <imgui.h>

// By OverlayKey.
static const int glfwKeys[] = {
    GLFW_KEY_SPACE,     GLFW_KEY_LEFT, GLFW_KEY_RIGHT,        GLFW_KEY_PAGE_UP,
    GLFW_KEY_PAGE_DOWN, GLFW_KEY_HOME, GLFW_KEY_LEFT_BRACKET, GLFW_KEY_RIGHT_BRACKET,
    GLFW_KEY_L,         GLFW_KEY_S,    GLFW_KEY_TAB,          GLFW_KEY_1,
    GLFW_KEY_2,         GLFW_KEY_4,    GLFW_KEY_F12,          GLFW_KEY_ESCAPE,
};
static_assert(sizeof glfwKeys / sizeof glfwKeys[0] == overlayKeyCount, "one GLFW key a name");

int overlayInputStart(AppWindow* window) {
    GLFWwindow* native = static_cast<GLFWwindow*>(windowNativeHandle(window));
    return native && ImGui_ImplGlfw_InitForOpenGL(native, true) ? 1 : 0;
}

void overlayInputNewFrame() {
    ImGui_ImplGlfw_NewFrame();
}

int overlayKeyPressed(OverlayKey key, bool repeat) {
    if (key < 0 || key >= overlayKeyCount) return 0;
    return ImGui::IsKeyPressed(glfwKeys[key], repeat) ? 1 : 0;
}

void overlayInputStop() {
    ImGui_ImplGlfw_Shutdown();
}
