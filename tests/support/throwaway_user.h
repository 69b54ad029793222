// A user and a group that live only as long as the test: made with the
// system's own tools, removed at the end. Code can then run as that user, in
// a child process, with or without the group in its login. Linux only; needs root.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace kestro::test {

class ThrowawayUser {
public:
    // The user `name` (primary group nogroup) and the group `name` + "g".
    explicit ThrowawayUser(std::string name) : name_(std::move(name)), group_(name_ + "g") {
        if (!Run("groupadd " + group_)) {
            error_ = "groupadd failed";
            return;
        }
        madeGroup_ = true;
        if (!Run("useradd -M -N -g nogroup -s /usr/sbin/nologin " + name_)) {
            error_ = "useradd failed";
            return;
        }
        madeUser_ = true;
        const passwd* user = getpwnam(name_.c_str());
        const group* made = getgrnam(group_.c_str());
        if (user == nullptr || made == nullptr) {
            error_ = "the new user or group is not known to the system";
            return;
        }
        uid_ = user->pw_uid;
        primary_ = user->pw_gid;
        gid_ = made->gr_gid;
    }
    ~ThrowawayUser() {
        if (madeUser_) {
            Run("userdel " + name_);
        }
        if (madeGroup_) {
            Run("groupdel " + group_);
        }
    }
    ThrowawayUser(const ThrowawayUser&) = delete;
    ThrowawayUser& operator=(const ThrowawayUser&) = delete;

    const std::string& Error() const { return error_; }
    gid_t Group() const { return gid_; }
    const std::string& GroupName() const { return group_; }
    uid_t Uid() const { return uid_; }
    gid_t Primary() const { return primary_; }

    // Adds the user to the group's file, as an administrator does; a login
    // that began before does not carry it.
    bool JoinGroupFile() const { return Run("gpasswd -a " + name_ + " " + group_); }

private:
    static bool Run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }

    std::string name_;
    std::string group_;
    std::string error_;
    bool madeUser_ = false;
    bool madeGroup_ = false;
    uid_t uid_ = 0;
    gid_t primary_ = 0;
    gid_t gid_ = 0;
};

// Runs `body` in a child process as `user`, carrying the user's group in its
// login or not, and returns what it returned; empty when the child failed.
inline std::string RunAs(const ThrowawayUser& user, bool carriesGroup,
                         const std::function<std::string()>& body) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const gid_t groups[] = {user.Group()};
        if (setgroups(carriesGroup ? 1 : 0, groups) != 0 || setgid(user.Primary()) != 0 ||
            setuid(user.Uid()) != 0) {
            _exit(2);
        }
        const std::string result = body();
        const bool written =
            write(fds[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        _exit(written ? 0 : 2);
    }
    close(fds[1]);
    std::string result;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0) {
        result.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? result : std::string();
}

}  // namespace kestro::test
