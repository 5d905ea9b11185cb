uniform float time;
uniform float uBass;
uniform float uBend;
uniform vec3 uBoxSize;
uniform float uLineWidth;
uniform vec3 uCamRot;
uniform vec3 uCamPos;
uniform float uSkyPos;
uniform float uSkyEnergy;
uniform float uBuildingHeight;
uniform float uGreetsOpacity;
uniform float uGreetsProgress;
uniform sampler2D uGreetsTexture;
uniform float uFisheye;
uniform sampler2D uQRVTexture;
uniform float uQRVProgress;
uniform float uFadeToBlack;
uniform vec2 uBoulePos;
varying vec3 v_V;

// Texture coordinates of the greetings strip chosen by progress; the image's 16 strips are
// stacked from the t = 1 end, 1/16.1 of its height apart.
vec2 computeGreetsUV(float progress) {
    float k = floor(16.0 * mod(progress, 1.0));
    float s = 0.5 * v_V.x + 0.5;
    float v = 1.0 - (0.5 * v_V.y + 0.5);
    float m = clamp(8.0 * (v - 0.45), 0.2, 0.8);
    return vec2(fract(s + k), 1.0 - (m / 16.0 + floor(s + k) / 16.1));
}

// Two reveal layers: red orders the first, green the second, alpha covers both. The falling
// edge is written out rather than as a smoothstep with reversed edges, which GLSL leaves
// undefined.
vec4 QRVLogo() {
    vec4 logo = texture2D(uQRVTexture, vec2(0.5 * v_V.x + 0.5, 1.0 - (0.5 * v_V.y + 0.5))).bgra;
    float e1 = clamp(4.0 * uQRVProgress, 0.0, 1.2);
    float e2 = clamp(2.0 * (uQRVProgress + 0.25) - 1.0, 0.0, 1.2);
    float t1 = clamp((e1 - logo.r) / 0.07, 0.0, 1.0);
    float t2 = clamp((e2 - logo.g) / 0.07, 0.0, 1.0);
    float layer1 = t1 * t1 * (3.0 - 2.0 * t1) * pow(logo.a * sign(logo.r), 8.0);
    float layer2 = t2 * t2 * (3.0 - 2.0 * t2) * pow(logo.a * sign(logo.g), 8.0);
    return vec4(vec3(layer1 + layer2), 1.0);
}

vec3 rx(vec3 v, float a) {
    float c = cos(a);
    float s = sin(a);
    return vec3(v.x, v.y * c - v.z * s, v.y * s + v.z * c);
}

vec3 ry(vec3 v, float a) {
    float c = cos(a);
    float s = sin(a);
    return vec3(v.z * s + v.x * c, v.y, v.z * c - v.x * s);
}

vec3 rz(vec3 v, float a) {
    float c = cos(a);
    float s = sin(a);
    return vec3(v.x * c - v.y * s, v.x * s + v.y * c, v.z);
}

float hash(float n) {
    return fract(sin(n) * 43758.5453);
}

float noise(vec3 x) {
    vec3 p = floor(x);
    vec3 f = fract(x);
    f = f * f * (3.0 - 2.0 * f);
    float n = p.x + 57.0 * p.y + 113.0 * p.z;
    return mix(mix(mix(hash(n), hash(n + 1.0), f.x),
                   mix(hash(n + 57.0), hash(n + 58.0), f.x), f.y),
               mix(mix(hash(n + 113.0), hash(n + 114.0), f.x),
                   mix(hash(n + 170.0), hash(n + 171.0), f.x), f.y), f.z);
}

float sdBox(vec3 p, vec3 b) {
    vec3 d = abs(p) - b;
    return min(max(d.x, max(d.y, d.z)), 0.0) + length(max(d, 0.0));
}

// Turns (x, y) by -x: the further out, the more the space twists.
vec3 bend(vec3 p) {
    float c = cos(p.x);
    float s = sin(p.x);
    return vec3(p.x * c + p.y * s, -p.x * s + p.y * c, p.z);
}

float scene(vec3 p) {
    float bassValue = floor(abs(0.5 * p.x));
    p = mix(p, bend(p), 0.1 * uBend);
    vec3 w = mix(p.zyx, bend(p.zyx), 0.01 * uBend);
    p.z = w.x;
    p.y = w.y;

    vec3 pp = vec3(mod(p.x, 2.0) - 1.0, p.y, mod(p.z, 2.0) - 1.0);
    vec2 buildings = vec2(floor(abs(0.5 * p.x)), floor(abs(0.5 * p.z)));
    float bheight = 2.0 * noise(vec3(buildings.x, 0.0, buildings.y));
    float bass = uBass / (1.0 + bassValue);
    float X = uBoxSize.x;
    float H = uBoxSize.y + bass * bass + bheight * uBuildingHeight;
    float Z = uBoxSize.z;
    float lw = uLineWidth;
    float extbox = sdBox(pp, vec3(X, H, Z));
    float intbo1 = sdBox(pp, vec3(X - lw, H + lw, Z - lw));
    float intbo2 = sdBox(pp, vec3(X + lw, H - lw, Z - lw));
    float intbo3 = sdBox(pp, vec3(X - lw, H - lw, Z + lw));
    float frame = max(max(max(extbox, -intbo1), -intbo2), -intbo3);

    // Four hoops of a sphere sharing the vertical diameter, 0.785 rad apart.
    vec3 centre = vec3(uBoulePos.x, 0.0, uBoulePos.y - time);
    vec3 q = ry(p - centre, 0.3925);
    float boule = max(length(q) - 0.6, -(length(q.xy) - 0.599));
    q = ry(p - centre, 1.1775);
    boule = min(boule, max(length(q) - 0.6, -(length(q.xy) - 0.599)));
    q = ry(p - centre, 1.9625);
    boule = min(boule, max(length(q) - 0.6, -(length(q.xy) - 0.599)));
    q = ry(p - centre, 2.7475);
    boule = min(boule, max(length(q) - 0.6, -(length(q.xy) - 0.599)));

    return min(frame, boule);
}

vec3 sky(vec3 d) {
    float d1 = dot(normalize(vec3(d.x, d.y, 0.0)), normalize(vec3(uSkyPos, 1.0, 0.0)));
    float DdotN = sign(d1) * pow(abs(d1), 256.0);
    float str = clamp(pow(1.02 * noise(128.0 * d), 256.0), 0.0, 1.0);
    return vec3(0.1, 0.3, 0.5) * abs(d.y) * (0.6 + 0.4 * DdotN) * (0.3 + 0.7 * uSkyEnergy) +
           0.5 * str;
}

// Sphere tracing with shortened steps; the coverage fades with the hit's depth along z.
vec4 rm(vec3 ro, vec3 rd) {
    vec3 p = ro;
    for (int i = 0; i < 192; i++) {
        float dist = scene(p);
        if (dist < 0.001) {
            return vec4(1.0, 1.0, 1.0, 1.0 / (1.0 + abs(p.z - ro.z + 1.0) / 5.0));
        }
        p = p + rd * dist * 0.8;
        if (length(p - ro) > 50.0) {
            break;
        }
    }
    return vec4(0.0);
}

void main() {
    vec3 ro = vec3(uCamPos.x, 2.0 + uCamPos.y, 3.0 - time + uCamPos.z);
    vec3 rd = normalize(vec3(1.6 * v_V.x, v_V.y, -1.0 + mix(-0.5, length(v_V), uFisheye)));
    rd = rx(rd, uCamRot.x);
    rd = ry(rd, uCamRot.y);
    rd = rz(rd, uCamRot.z);
    vec3 bassColor = mix(vec3(1.0, 1.0, 1.0), vec3(0.1, 0.6, 1.0), 1.0 - abs(v_V.x));

    vec4 hit = rm(ro, rd);
    float tint = pow(max(uBass, 0.0), 1.333);
    vec3 color = mix(sky(rd), clamp(hit.rgb * mix(vec3(1.0), bassColor, tint), 0.0, 1.0), hit.a);
    color = color + clamp(0.5 * uBass, 0.0, 1.0);

    vec4 greet = texture2D(uGreetsTexture, computeGreetsUV(uGreetsProgress)).bgra;
    color = mix(color, mix(color, vec3(greet.r), greet.r), uGreetsOpacity);

    color = color * (1.0 - 0.5 * length(v_V.xy));
    color = mix(color + QRVLogo().rgb, vec3(0.0), uFadeToBlack);
    gl_FragColor = vec4(color, 1.0);
}
