-- ZEV on Microsoft SQL Server, step 10 of 10: the schema version.
-- dbo.schema_version lists every version of the database's objects that has been applied, with
-- its time (UTC). Steps 1 to 9 make the newest version, so it records every version up to it. A
-- database of an older version is brought up by the scripts of upgrade/ whose numbers are above
-- its highest version, in order, and then by these ten steps again (see README.md).

USE ZEV;
GO

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
IF NOT EXISTS (SELECT 1 FROM dbo.schema_version WHERE version = 2)
    INSERT INTO dbo.schema_version (version, description)
    VALUES (2, N'sign-in log index for counting wrong passwords; GET_USER closes a guessed login');
IF NOT EXISTS (SELECT 1 FROM dbo.schema_version WHERE version = 3)
    INSERT INTO dbo.schema_version (version, description)
    VALUES (3, N'search for a student by name: student_search, its trigger and FindStudent');
IF NOT EXISTS (SELECT 1 FROM dbo.schema_version WHERE version = 4)
    INSERT INTO dbo.schema_version (version, description)
    VALUES (4, N'history of the students'' rows: zev_history, its triggers, GetRowHistory and GetStudentHistory');
IF NOT EXISTS (SELECT 1 FROM dbo.schema_version WHERE version = 5)
    INSERT INTO dbo.schema_version (version, description)
    VALUES (5, N'export and print of a group: GetGroupElectives and GetFacultyGroups');
IF NOT EXISTS (SELECT 1 FROM dbo.schema_version WHERE version = 6)
    INSERT INTO dbo.schema_version (version, description)
    VALUES (6, N'stream capacity: RRNKkrdt.capacity, its trigger on DisciplineForStudent and GetStreamPlaces');
GO
