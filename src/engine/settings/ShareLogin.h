#pragma once

#include <QString>

// The login for databases reached as smb:// paths: a user, domain and
// password kept in the settings, or a credentials file in the form
// mount.cifs reads ("username=", "password=", "domain=" lines). What the file
// gives wins; without a user the server is asked as a guest.
struct ShareLogin
{
    QString user;
    QString domain;
    QString password;        // plain text in memory, scrambled in the settings
    QString credentialsFile; // empty: none

    bool operator==(const ShareLogin &o) const
    {
        return user == o.user && domain == o.domain && password == o.password &&
               credentialsFile == o.credentialsFile;
    }
    bool operator!=(const ShareLogin &o) const { return !(*this == o); }

    // The values with the credentials file's read over them; `error`
    // receives why the file could not be read (the settings' values stand).
    ShareLogin resolved(QString *error = nullptr) const;

    // The login the share backend uses, process-wide: set whenever the
    // settings are loaded; read from any thread.
    static void setCurrent(const ShareLogin &login);
    static ShareLogin current();
};
