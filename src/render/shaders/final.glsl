#define EPS 0.01
uniform sampler2D uSrcTexture;
uniform float uBass;
varying vec3 v_V;

void main() {
    vec2 uv = vec2(v_V.x * 0.5 + 0.5, v_V.y * 0.5 + 0.5);
    float red = texture2D(uSrcTexture, vec2(uv.x - EPS * uBass * sin(uv.y * 50.0), uv.y)).r;
    float green = texture2D(uSrcTexture, uv).g;
    float blue = texture2D(uSrcTexture, vec2(uv.x + EPS * uBass * sin(uv.y * 50.0), uv.y)).b;
    gl_FragColor = vec4(red, green, blue, 1.0);
}
