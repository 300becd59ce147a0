// Vector3.h — the 3-D direction the ball and paddle shading works with.
//
// View space: x to the right, y downwards (as picture rows run), z towards the viewer.
#pragma once

#include <cmath>

struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

inline Vector3 operator+(Vector3 a, Vector3 b)
{
    return Vector3{a.x + b.x, a.y + b.y, a.z + b.z};
}

inline Vector3 operator*(Vector3 v, double factor)
{
    return Vector3{v.x * factor, v.y * factor, v.z * factor};
}

inline double Dot(Vector3 a, Vector3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vector3 Cross(Vector3 a, Vector3 b)
{
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The same direction at unit length (v must not be zero).
inline Vector3 Normalize(Vector3 v)
{
    return v * (1.0 / std::sqrt(Dot(v, v)));
}
