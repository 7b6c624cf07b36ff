// The benchmark's own temporary folder: created fresh, removed with everything in it.
#pragma once

#include <string>

class WorkFolder {
public:
    // Creates a new, uniquely named folder inside strParent; throws when it cannot.
    explicit WorkFolder(const std::string& strParent);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    // A path inside the folder (not created).
    std::string Child(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};
