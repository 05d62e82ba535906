#pragma once

// Makes file permissions bind the calling thread even when it runs as root, by lowering the capabilities
// that override them until it is destroyed. Without those capabilities it changes nothing.
class PermissionsEnforced {
public:
    PermissionsEnforced();
    ~PermissionsEnforced();
    PermissionsEnforced(const PermissionsEnforced&) = delete;
    PermissionsEnforced& operator=(const PermissionsEnforced&) = delete;

private:
    bool lowered_ = false;
};
