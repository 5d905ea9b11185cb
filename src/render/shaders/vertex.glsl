varying vec3 v_V;

void main() {
    gl_Position = gl_Vertex;
    v_V = gl_Vertex.xyz;
}
