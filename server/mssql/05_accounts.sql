-- ZEV on Microsoft SQL Server, step 5 of 10: logins, users and permissions.
-- sqlcmd variables (pass with -v, see README.md):
--   SigninLogin, SigninPassword   the fixed sign-in account written into the client's Data\ZEV
--   StaffLogin, StaffPassword     a database account for members of staff (GET_USER hands it out)
-- Passwords of both accounts are at most 20 characters: the settings file and GET_USER's answer
-- hold no more.

USE master;
GO

IF SUSER_ID(N'$(SigninLogin)') IS NULL
    CREATE LOGIN [$(SigninLogin)] WITH PASSWORD = N'$(SigninPassword)',
        DEFAULT_DATABASE = ZEV, CHECK_EXPIRATION = OFF;
IF SUSER_ID(N'$(StaffLogin)') IS NULL
    CREATE LOGIN [$(StaffLogin)] WITH PASSWORD = N'$(StaffPassword)',
        DEFAULT_DATABASE = ZEV, CHECK_EXPIRATION = OFF;
GO

USE ZEV;
GO

-- The sign-in account: EXECUTE on GET_USER and nothing else.
IF USER_ID(N'$(SigninLogin)') IS NULL
    CREATE USER [$(SigninLogin)] FOR LOGIN [$(SigninLogin)];
GRANT EXECUTE ON dbo.GET_USER TO [$(SigninLogin)];
GO

-- Members of staff: exactly what the client does. It reads the selection lists, the streams, the
-- chosen disciplines and the debts; it writes four tables: the electives (posts and deletes of
-- DisciplineForStudent), new streams (RRNKkrdt), and the rows of the chosen disciplines and of the
-- debts. user_faculty is read for the faculty list and never written: which faculties a member
-- of staff may work on is the administrators' business. The sign-in tables (zev_login,
-- db_account, releases, log) stay out of reach; the procedures and the function reach the tables
-- they need through ownership chaining.
IF DATABASE_PRINCIPAL_ID(N'zev_staff') IS NULL
    CREATE ROLE zev_staff;
GO
GRANT SELECT ON dbo.a_year TO zev_staff;
GRANT SELECT ON dbo.Semester TO zev_staff;
GRANT SELECT ON dbo.Faculty TO zev_staff;
GRANT SELECT ON dbo.user_faculty TO zev_staff;
GRANT SELECT ON dbo.f_educ TO zev_staff;
GRANT SELECT ON dbo.com_sfe TO zev_staff;
GRANT SELECT ON dbo.ObemChasov TO zev_staff;
GRANT SELECT ON dbo.Speciality_form TO zev_staff;
GRANT SELECT ON dbo.[group] TO zev_staff;
GRANT SELECT ON dbo.g_s TO zev_staff;
GRANT SELECT ON dbo.g_r_y TO zev_staff;
GRANT SELECT ON dbo.s_fio TO zev_staff;
GRANT SELECT ON dbo.s_g TO zev_staff;
GRANT SELECT ON dbo.discipline TO zev_staff;
GRANT SELECT ON dbo.kafedra TO zev_staff;
GRANT SELECT ON dbo.teacher TO zev_staff;
GRANT SELECT ON dbo.t_fio TO zev_staff;
GRANT SELECT, INSERT ON dbo.RRNKkrdt TO zev_staff;
GRANT SELECT, UPDATE, DELETE ON dbo.DisciplineForStudent TO zev_staff;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.DisciplineForStudent2 TO zev_staff;
GRANT SELECT, INSERT, UPDATE, DELETE ON dbo.Debts TO zev_staff;
GRANT SELECT ON dbo.GetTFIO_with_pps TO zev_staff;
GRANT EXECUTE ON dbo.SelectDisciplineForStudent TO zev_staff;
GRANT EXECUTE ON dbo.GetDisciplineForDisciplineName TO zev_staff;
GRANT EXECUTE ON dbo.GetDebts TO zev_staff;
GO
-- Rights that earlier versions of this script granted beyond these are taken back when it runs
-- again on such a database (REVOKE of a right never granted does nothing).
REVOKE SELECT, INSERT, UPDATE, DELETE ON dbo.rate FROM zev_staff;
REVOKE SELECT, INSERT, UPDATE, DELETE ON dbo.examination FROM zev_staff;
REVOKE SELECT, INSERT, UPDATE, DELETE ON dbo.pps FROM zev_staff;
REVOKE SELECT, INSERT, UPDATE, DELETE ON dbo.plan_elective FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.a_year FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.Semester FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.Faculty FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.user_faculty FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.f_educ FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.com_sfe FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.ObemChasov FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.Speciality_form FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.[group] FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.g_s FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.g_r_y FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.s_fio FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.s_g FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.discipline FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.kafedra FROM zev_staff;
REVOKE INSERT, UPDATE, DELETE ON dbo.teacher FROM zev_staff;
REVOKE UPDATE, DELETE ON dbo.RRNKkrdt FROM zev_staff;
REVOKE INSERT ON dbo.DisciplineForStudent FROM zev_staff;
GO

IF USER_ID(N'$(StaffLogin)') IS NULL
    CREATE USER [$(StaffLogin)] FOR LOGIN [$(StaffLogin)];
ALTER ROLE zev_staff ADD MEMBER [$(StaffLogin)];
GO

-- GET_USER hands out the staff account from db_account; the sign-in account is listed too, so
-- that the table names every account a connection string may carry.
MERGE dbo.db_account AS t
USING (VALUES (N'$(SigninLogin)', N'$(SigninPassword)', 1),
              (N'$(StaffLogin)', N'$(StaffPassword)', 0)) AS s (name, password, signin_only)
ON t.name = s.name
WHEN MATCHED THEN UPDATE SET password = s.password, signin_only = s.signin_only
WHEN NOT MATCHED THEN INSERT (name, password, signin_only) VALUES (s.name, s.password, s.signin_only);
GO
