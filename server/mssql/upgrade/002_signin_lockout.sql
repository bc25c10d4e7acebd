-- Upgrade of a ZEV database from schema version 1 to 2. Re-runnable: it does nothing on a
-- database that has version 2 already. Afterwards run the combined script (zev-install.sql, or
-- steps 1 to 8), which brings GET_USER up to date and records the version.
--
-- Version 2: GET_USER counts the wrong passwords of a login in signin_log over the last 15
-- minutes, which needs an index on the log's login.

USE ZEV;
GO

-- A database made before versions were recorded is of version 1.
IF OBJECT_ID(N'dbo.schema_version', N'U') IS NULL
CREATE TABLE dbo.schema_version (
    version     int NOT NULL PRIMARY KEY,
    applied     datetime2(0) NOT NULL DEFAULT SYSUTCDATETIME(),
    description nvarchar(200) NOT NULL
);
GO
IF NOT EXISTS (SELECT 1 FROM dbo.schema_version WHERE version = 1)
    INSERT INTO dbo.schema_version (version, description)
    VALUES (1, N'tables, view, function, procedures and accounts');
GO

IF INDEXPROPERTY(OBJECT_ID(N'dbo.signin_log'), N'signin_log_login', 'IndexID') IS NULL
    CREATE INDEX signin_log_login ON dbo.signin_log(login, id_signin);
GO

IF NOT EXISTS (SELECT 1 FROM dbo.schema_version WHERE version = 2)
    INSERT INTO dbo.schema_version (version, description)
    VALUES (2, N'sign-in log index for counting wrong passwords; GET_USER closes a guessed login');
GO
